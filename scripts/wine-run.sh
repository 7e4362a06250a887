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
# A prefix is ready only once its making has ended: the Wine server saves
# system.reg while wineboot still writes keys (the time zones among them),
# so a program that took the file for the sign would start on half a prefix.
ready="$WINEPREFIX/.tessaly-made"
if [ ! -f "$ready" ]; then
  mkdir -p "$WINEPREFIX"
  # Two test programs may start at once on a new prefix: one makes it, the
  # other waits for it here.
  ( flock 9; [ -f "$ready" ] || { wineboot -i >/dev/null 2>&1 && wineserver -w && touch "$ready"; } ) 9>"$WINEPREFIX.lock"
fi
# Under Xvfb no window manager runs, and Wine waits 2 s for one to withdraw
# every managed top-level window that is hidden or destroyed. The test
# programs run their windows unmanaged; the program itself keeps the usual
# setting, so what a user sees is unchanged.
exe=$(basename "${1:-}")
# The status of a test program that ended with 0 before its framework said
# that its tests passed.
early_end=86
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
  # said so at its end. Its full output goes to a file, so that an early
  # end names the test it ran; what is shown is as brief as was asked.
  case " $* " in
  *" --gtest_list_tests "* | *" --help "*) ;;
  *)
    said=$(mktemp) errs=$(mktemp)
    trap 'rm -f "$said" "$errs"' EXIT
    args=() brief=0
    for a in "$@"; do
      if [ "$a" = --gtest_brief=1 ]; then brief=1; else args+=("$a"); fi
    done
    # Output goes through files, not a pipe: the Wine server the program
    # starts keeps its output open while any program of the prefix runs,
    # and a pipe's reader would wait for it.
    set +e
    wine "${args[@]}" >"$said" 2>"$errs" &
    run=$!
    trap 'kill "$run" 2>/dev/null' TERM INT
    if [ "$brief" = 1 ]; then
      # The lines --gtest_brief leaves out: each test's start and end, and
      # each suite's, with the blank line after it.
      tail -q -n +1 -f --pid="$run" "$said" "$errs" |
        awk '/^\[ +(RUN|OK) +\] / { next } /^\[-+\] / { gap = 1; next }
             gap && /^\r?$/ { gap = 0; next } { gap = 0; print; fflush() }'
    else
      tail -q -n +1 -f --pid="$run" "$said" "$errs"
    fi &
    wait "$run"
    rc=$?
    wait
    if ! grep -aq '^\[  PASSED  \] [0-9]* test' "$said"; then
      # The last test started that said neither OK nor FAILED is the one
      # the program ended in.
      last=$(grep -a '^\[ RUN      \] ' "$said" | tail -n 1 | cut -c 14-)
      ended=$(grep -a -E '^\[ +(OK|FAILED) +\] ' "$said" | tail -n 1 | cut -c 14- | cut -d ' ' -f 1)
      where="before its first test"
      [ -n "$last" ] && where="in $last"
      [ -n "$last" ] && [ "$last" = "$ended" ] && where="after $last ended"
      wine_said=$(grep -a -m 1 -E 'Unhandled|wine client error|^err:' "$errs")
      echo "wine-run.sh: $exe ended with status $rc $where, before its tests said they passed${wine_said:+; Wine said: $wine_said}" >&2
      # An end with status 0 is no failure the program reported: its own
      # code, which scripts/mutate.py tells from a failed test.
      [ "$rc" = 0 ] && rc=$early_end
    fi
    exit "$rc"
    ;;
  esac
  ;;
esac
exec wine "$@"
