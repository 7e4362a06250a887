#!/usr/bin/env bash
# Configures and builds everything into ./build (or $TESSALY_BUILD).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSALY_BUILD:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release ${TESSALY_WERROR:+-DTESSALY_WERROR=$TESSALY_WERROR} \
      ${TESSALY_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)"
