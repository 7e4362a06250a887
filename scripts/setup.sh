#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, as root. Quick when
# everything is there already.
set -euo pipefail
need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
# fp-utils carries chmcmd, which compiles the program's help file.
# python3 runs the include-circle check and the mutation script; g++ builds
# the latter's own test sample natively.
for p in g++-mingw-w64-i686-posix cmake googletest wine wine32:i386 xvfb xauth fp-utils python3 g++; do
  have "$p" || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${need[@]}"
fi
