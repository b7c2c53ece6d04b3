#!/usr/bin/env bash
# Sets everything up on a Debian machine and starts Quillon.
# With no supported hardware attached, simulated devices are served instead
# (QUILLON_SIMULATE=0 never simulates, =1 always does).
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

simulate=${QUILLON_SIMULATE:-auto}
if [ "$simulate" = auto ]; then
  simulate=1
  if "$bin/quillon-probe" --no-virtual > /dev/null 2>&1; then
    simulate=0
  fi
fi

if [ "$simulate" = 1 ]; then
  echo "No supported device found: serving a simulated keyboard and mouse (quillon-devsim)."
  "$bin/quillon-devsim" keyboard mouse mouse-receiver < /dev/null &
  devsim=$!
  trap 'kill "$devsim" 2>/dev/null || true; wait "$devsim" 2>/dev/null || true' EXIT
  "$bin/quillon" "$@"
else
  exec "$bin/quillon" "$@"
fi
