#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${TESSALY_BUILD:-$root/build}
export TESSALY_WINEPREFIX=$build/wineprefix
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a "$root/scripts/wine-run.sh" "$build/app/Tessaly.exe" "$@"
fi
exec "$root/scripts/wine-run.sh" "$build/app/Tessaly.exe" "$@"
