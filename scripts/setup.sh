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
  install() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get "$@" install -y -q "${need[@]}"; }
  # A mirror caught mid-sync serves an index that does not match its
  # release file: the update fails, and goes through a while later.
  updated=false
  for try in 1 2 3; do
    if $SUDO apt-get update -q; then updated=true; break; fi
    [ "$try" -lt 3 ] && { echo "setup.sh: the package lists did not all come; again in 20 s" >&2; sleep 20; }
  done
  if ! install; then
    [ "$updated" = true ] && exit 1
    # Mid-sync, the security archive may lack the 32-bit index only; its
    # 64-bit updates then cannot be paired with 32-bit parts. The main
    # archive alone gives matching pairs.
    echo "setup.sh: installing from the main archive alone, without the security archive's updates" >&2
    main=$(mktemp -d)
    trap 'rm -rf "$main"' EXIT
    printf 'deb http://deb.debian.org/debian bookworm main\ndeb http://deb.debian.org/debian bookworm-updates main\n' >"$main/main.list"
    only=(-o "Dir::Etc::sourcelist=$main/main.list" -o "Dir::Etc::sourceparts=$main")
    $SUDO apt-get "${only[@]}" update -q
    install "${only[@]}"
  fi
fi
