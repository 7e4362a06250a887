#!/usr/bin/env bash
# The open form's Open with thousands of files picked, and the target file's
# form checking one name typed key by key in the same folder, timed from the
# Enter key, through the real wizard
# (openfiles.exe), this build beside an earlier one in the same rounds. The
# earlier build is made from the git revision BENCH_BEFORE_REV (default
# main): its tree is exported into the build folder, this program is added
# to it and only this program is built there (the shared compiler cache
# serves every unit that build shares with others). A run of the earlier
# build that passes BENCH_BEFORE_LIMIT seconds (default 120) is stopped and
# shown as over it. Needs an X display (xvfb-run -a for none).
#
#   BENCH_BEFORE_REV=main TESSALY_BUILD=build xvfb-run -a bench/openfiles.sh [count]
#
# BENCH_ROUNDS (default 3), BENCH_WORK (default /tmp/tessaly-openfiles).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/ratios.sh"
bench_against_before tessaly-openfiles
count=${1:-5000}
build_before openfiles 'add_executable(openfiles openfiles.cpp ${PROJECT_SOURCE_DIR}/app/Tessaly.rc)' \
  'target_link_libraries(openfiles PRIVATE app)'
unmanaged openfiles.exe

# run EXE [LIMIT]: prints the two times, or ">LIMIT" twice when stopped.
run() {
  local code=0
  timeout "${2:-0}" "$wine_run" "$1" "$count" >"$work/log" 2>&1 || code=$?
  if [ "$code" = 124 ]; then
    printf '>%s >%s' "$limit" "$limit"
    sleep 1
    return
  fi
  [ "$code" = 0 ] || { echo "openfiles failed: $1" >&2; cat "$work/log" >&2; exit 1; }
  local opened saved
  opened=$(tr -d '\r' <"$work/log" | sed -n "s/^$count files opened: \([0-9.]*\) s$/\1/p")
  saved=$(tr -d '\r' <"$work/log" | sed -n "s/^one name checked among $count files: \([0-9.]*\) s$/\1/p")
  printf '%s %s' "$opened" "$saved"
}

echo "# Open form, $count files, $(date -u '+%Y-%m-%d %H:%M UTC'), $rounds rounds, this build against $commit," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
each_round run "$build/bench/openfiles.exe" "$src/build/bench/openfiles.exe" "$limit"
echo "# load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| step | this build s (runs) | $commit s (runs) | median ratio |"
echo "|---|---|---|---|"
echo "| $count files picked, Open, until the source list holds them | ${got[now.1]}| ${got[before.1]}|" \
  "$(mratio "${got[before.1]//>/}" "${got[now.1]}") |"
echo "| one name typed among $count files, from the Enter key until the target box holds it | ${got[now.2]}|" \
  "${got[before.2]}| $(mratio "${got[before.2]//>/}" "${got[now.2]}") |"
