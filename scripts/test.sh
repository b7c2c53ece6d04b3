#!/usr/bin/env bash
# Builds Quillon and runs the whole test suite; exits non-zero on any failure.
# QUILLON_SANITIZE=address|thread selects a sanitizer build in its own folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
san=${QUILLON_SANITIZE:-}
if [ -n "$san" ]; then
  export QUILLON_BUILD_DIR=${QUILLON_BUILD_DIR:-$root/build-$san}
  if [ "$san" = thread ]; then
    export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp ${TSAN_OPTIONS:-}"
  fi
  "$root/scripts/build.sh" -DQUILLON_SANITIZE="$san" -DQUILLON_BUILD_BENCH=OFF
else
  export QUILLON_BUILD_DIR=${QUILLON_BUILD_DIR:-$root/build}
  "$root/scripts/build.sh"
fi
cd "$QUILLON_BUILD_DIR"
# Tests must never see the developer's own session folders.
unset XDG_RUNTIME_DIR XDG_DATA_HOME XDG_CONFIG_HOME
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j "${QUILLON_JOBS:-$(nproc)}" --timeout 300
