#!/usr/bin/env bash
# The page change to the start page over a long source list: the wizard
# gets COUNT one-message mailboxes (default 1000 and 5000) picked through
# Add Files (Ctrl+A in the open form's list; BENCH_ADD=folder adds their
# folder through Add Folder instead, one row), Alt+N is pressed on the
# target page and timed from the key until the start page shows its
# summary; then the mailboxes are converted into one mbox and Alt+B and
# Alt+N are pressed, each timed from the key until the page shows (after
# Next: the log holds the new summary alone), by tests/wizardbench.exe
# --pages. With BENCH_BEFORE (an earlier build folder holding
# app/Tessaly.exe) that program runs the same walk in the same rounds; a
# page change past BENCH_BEFORE_LIMIT seconds (default 120) is shown as over
# it (see README.md: under Wine it is waited out). Run it under an X
# display (xvfb-run -a).
#
#   BENCH_BEFORE=/path/to/old/build TESSALY_BUILD=build xvfb-run -a bench/pagechange.sh [count...]
#
# BENCH_ROUNDS (default 3), BENCH_WORK (default /tmp/tessaly-pagechange).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/ratios.sh"
bench_against_before tessaly-pagechange
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(1000 5000)
WINEPREFIX=$TESSALY_WINEPREFIX wineserver -p 2>/dev/null || true
for n in "${counts[@]}"; do
  one_message_boxes "$work/src$n/boxes" "$n"
done

# The rows: every file of the folder, or the folder.
pick='\*'
[ "${BENCH_ADD:-files}" != folder ] || pick='\'

# walk EXE COUNT: the first Next, the run, Back and Next; prints
# "first run back next" in seconds, ">LIMIT" for a page change that did not
# come within the limit, "-" four times for a walk that failed.
walk() {
  local exe=$1 n=$2 log=$work/log
  rm -rf "$work/out" "$work/scratch"
  mkdir -p "$work/out"
  "$wine_run" "$build/tests/wizardbench.exe" "$(winpath "$exe")" "$(winpath "$work/src$n/boxes")$pick" \
    "$(winpath "$work/out/all.mbox")" Mbox_Win "$(winpath "$work/scratch")" "--pages=$limit" >"$log" 2>&1 || true
  tr -d '\r' <"$log" | grep -q "^$n mailboxes processed, $n messages converted, 0 duplicates skipped, 0 errors.$" ||
    { echo "wrong run: $exe $n" >&2; cat "$log" >&2; printf -- '- - - -'; return; }
  tr -d '\r' <"$log" | awk -v limit="$limit" '
    /^first next / {first=$3} /^[0-9.]+ s$/ {run=$1} /^back / {back=$2} /^next / {next_=$2}
    END {if (first < 0 || first == "") first=">" limit;
         if (back < 0 || back == "") back=">" limit; if (next_ < 0 || next_ == "") next_=">" limit;
         printf "%s %s %s %s", first, run, back, next_}'
  # A program stopped at the limit may leave its Wine client behind.
  sleep 1
}

declare -A now old
echo "# Next to the start page over a long source list (rows: ${BENCH_ADD:-files}) $(date -u '+%Y-%m-%d %H:%M UTC'),"\
  "$rounds rounds, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 1; r <= rounds; r++)); do
  for n in "${counts[@]}"; do
    read -r f a b c <<<"$(walk "$build/app/Tessaly.exe" "$n")"
    now[$n.first]+="$f " now[$n.run]+="$a " now[$n.back]+="$b " now[$n.next]+="$c "
    if [ -n "$before" ]; then
      read -r f a b c <<<"$(walk "$before/app/Tessaly.exe" "$n")"
      old[$n.first]+="$f " old[$n.run]+="$a " old[$n.back]+="$b " old[$n.next]+="$c "
    fi
  done
done
echo "# load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "| mailboxes | build | Next s | run s | Back s | Next after the run s | Next, before / now | after the run, before / now |"
echo "|---|---|---|---|---|---|---|---|"
for n in "${counts[@]}"; do
  echo "| $n | this build | ${now[$n.first]}| ${now[$n.run]}| ${now[$n.back]}| ${now[$n.next]}| | |"
  [ -z "$before" ] ||
    echo "| $n | before | ${old[$n.first]}| ${old[$n.run]}| ${old[$n.back]}| ${old[$n.next]}|" \
      "$(mratio "${old[$n.first]//>/}" "${now[$n.first]}") | $(mratio "${old[$n.next]//>/}" "${now[$n.next]}") |"
done
