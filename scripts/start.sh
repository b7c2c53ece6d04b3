#!/usr/bin/env bash
# Sets everything up on a Debian machine and starts Quillon.
# With no supported hardware attached, simulated devices are served instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" -DQUILLON_BUILD_BENCH=OFF
bin=${QUILLON_BUILD_DIR:-$root/build}/bin
if [ ! -x "$bin/quillon" ]; then
  echo "Quillon's main program is not part of this build yet. Built so far in $bin:"
  ls "$bin" 2>/dev/null || true
  exit 0
fi
exec "$bin/quillon" "$@"
