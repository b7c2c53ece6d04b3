#!/usr/bin/env bash
# Builds the profile document fuzzer with clang and libFuzzer (ASan + UBSan)
# and runs it for a minute, seeded with the shipped default data.
# QUILLON_FUZZ_SECONDS changes the duration; extra arguments go to libFuzzer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLON_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${QUILLON_FUZZ_SECONDS:-60}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_BUILD_FUZZ=ON -DQUILLON_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" --target profile_document_fuzz -j "${QUILLON_JOBS:-$(nproc)}"

# The corpus grows in the build folder; the seeds are the shipped files and
# the kept regression inputs.
corpus=$build/fuzz/corpus
mkdir -p "$corpus"
cd "$build/fuzz"
./profile_document_fuzz -max_total_time="$seconds" -max_len=16384 -timeout=10 "$@" \
  "$corpus" "$root/DefaultData" "$root/tests/profiles/fuzz_seeds"
