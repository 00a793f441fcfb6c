#!/usr/bin/env bash
# Install what is missing, build, and start tervo42. On a machine without a
# display the window opens under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target tervo42
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display; starting tervo42 under xvfb-run"
  exec xvfb-run -a -s '-screen 0 1280x800x24' build/ui/tervo42 "$@"
fi
exec build/ui/tervo42 "$@"
