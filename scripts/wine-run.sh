#!/usr/bin/env bash
# Runs one Windows program under Wine in a private 32-bit prefix. A 64-bit-only
# ~/.wine cannot start 32-bit programs, and a shared prefix would let one run's
# registry leak into the next, so every build folder keeps its own.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${TESSALY_WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  # Two test programs may start at once on a new prefix: one creates it.
  ( flock 9; [ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; } ) 9>"$WINEPREFIX.lock"
fi
# Under Xvfb no window manager runs, and Wine waits 2 s for one to withdraw
# every managed top-level window that is hidden or destroyed. The test
# programs run their windows unmanaged; the program itself keeps the usual
# setting, so what a user sees is unchanged.
exe=$(basename "${1:-}")
case "$exe" in
test_*.exe)
  if ! grep -qiF "[Software\\\\Wine\\\\AppDefaults\\\\$exe\\\\X11 Driver]" "$WINEPREFIX/user.reg"; then
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
  fi
  # A crashing test program must fail at once: with a display, Wine's crash
  # dialog would wait for a click that never comes and hold ctest until its
  # time-out.
  if ! grep -qiF '"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg"; then
    wine reg add "HKCU\\Software\\Wine\\WineDbg" /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  fi
  # A test program that dies of a damaged heap can end with status 0 under
  # Wine, its last tests never run: it passed only where the test framework
  # said so at its end.
  case " $* " in
  *" --gtest_list_tests "* | *" --help "*) ;;
  *)
    said=$(mktemp)
    trap 'rm -f "$said"' EXIT
    # Output goes through a file, not a pipe: the Wine server the program
    # starts keeps its output open while any program of the prefix runs,
    # and a pipe's reader would wait for it.
    set +e
    wine "$@" >"$said" &
    run=$!
    trap 'kill "$run" 2>/dev/null' TERM INT
    tail -n +1 -f --pid="$run" "$said" &
    wait "$run"
    rc=$?
    wait
    if [ "$rc" = 0 ] && ! grep -q '^\[  PASSED  \] [0-9]* test' "$said"; then
      echo "wine-run.sh: $exe ended with status 0 before its tests said they passed" >&2
      rc=1
    fi
    exit "$rc"
    ;;
  esac
  ;;
esac
exec wine "$@"
