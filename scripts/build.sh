#!/usr/bin/env bash
# Configures and builds Quillon into build/ (or $QUILLON_BUILD_DIR).
# Extra arguments go to cmake's configure step, e.g. -DQUILLON_SANITIZE=address.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${QUILLON_BUILD_DIR:-$root/build}
jobs=${QUILLON_JOBS:-$(nproc)}
cmake -S "$root" -B "$build" -G Ninja "$@"
cmake --build "$build" -j "$jobs"
