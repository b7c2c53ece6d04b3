#!/usr/bin/env bash
# Sets everything up on a Debian machine and starts Quillon.
# With no supported hardware attached, simulated devices are served instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" -DQUILLON_BUILD_BENCH=OFF
bin=${QUILLON_BUILD_DIR:-$root/build}/bin
if [ -x "$bin/quillon" ]; then
  exec "$bin/quillon-launch" "$@"
fi
echo "Quillon is built in $bin. The main program is not part of this build yet; built so far:"
ls "$bin"
