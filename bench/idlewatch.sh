#!/usr/bin/env bash
# The folder form left alone on a folder among thousands of sibling folders
# while a file beside them is saved twice a second (written, then renamed
# over the last copy, as editors save), this build beside an earlier one in
# the same rounds (idlewatch.exe): the process's CPU share while idle, and
# the longest the window took to answer one message. The earlier build is
# made from the git revision BENCH_BEFORE_REV (default main). Needs an X
# display (xvfb-run -a for none).
#
#   BENCH_BEFORE_REV=main TESSALY_BUILD=build xvfb-run -a bench/idlewatch.sh [count] [seconds]
#
# BENCH_ROUNDS (default 3), BENCH_WORK (default /tmp/tessaly-idlewatch).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/ratios.sh"
bench_against_before tessaly-idlewatch
count=${1:-5000}
seconds=${2:-20}
build_before idlewatch 'add_executable(idlewatch idlewatch.cpp ${PROJECT_SOURCE_DIR}/controls/RzControls.rc)' \
  'target_link_libraries(idlewatch PRIVATE shell)'
unmanaged idlewatch.exe

parent=$work/parent$count
if [ ! -d "$parent/folder$count" ]; then
  rm -rf "$parent"
  mkdir -p "$parent"
  (cd "$parent" && seq -f 'folder%g' 1 "$count" | xargs mkdir)
fi
shown=$(winpath "$parent/folder$((count / 2))")

# The busy file, saved from outside the program for the whole run.
(while :; do
  echo "$RANDOM" >"$parent/busy.new"
  mv "$parent/busy.new" "$parent/busy.txt"
  sleep 0.5
done) &
saver=$!
trap 'kill "$saver"' EXIT

# run EXE: prints the CPU share and the longest answer.
run() {
  "$wine_run" "$1" "$shown" "$seconds" >"$work/log" 2>&1 ||
    { echo "idlewatch failed: $1" >&2; cat "$work/log" >&2; exit 1; }
  local cpu answer
  cpu=$(tr -d '\r' <"$work/log" | sed -n 's/^idle CPU: \([0-9.]*\) %$/\1/p')
  answer=$(tr -d '\r' <"$work/log" | sed -n 's/^longest answer: \([0-9.]*\) s$/\1/p')
  printf '%s %s' "$cpu" "$answer"
}

echo "# Folder form idle beside $count folders and a file saved twice a second, $seconds s a run," \
  "$(date -u '+%Y-%m-%d %H:%M UTC'), $rounds rounds, this build against $commit," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
each_round run "$build/bench/idlewatch.exe" "$src/build/bench/idlewatch.exe"
echo "# load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| measure | this build (runs) | $commit (runs) | median ratio |"
echo "|---|---|---|---|"
echo "| CPU while idle, % | ${got[now.1]}| ${got[before.1]}| $(mratio "${got[before.1]}" "${got[now.1]}") |"
echo "| longest answer, s | ${got[now.2]}| ${got[before.2]}| $(mratio "${got[before.2]}" "${got[now.2]}") |"
