#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test program under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
# A new compiler warning fails the run, as it fails CI.
TESSALY_WERROR=${TESSALY_WERROR:-ON} bash "$root/scripts/build.sh"
build=${TESSALY_BUILD:-$root/build}
cd "$build"
# Window tests need a display; one Xvfb serves the whole run.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$(nproc)" "$@"
fi
exec ctest --output-on-failure -j "$(nproc)" "$@"
