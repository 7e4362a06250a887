#!/usr/bin/env bash
# Back then Next after a long run: the wizard converts COUNT one-message
# mailboxes (default 1000 and 5000) from its default folder into one mbox,
# then Alt+B and Alt+N are pressed, each timed from the key until the page
# shows (after Next: the log holds the new summary alone), by
# tests/wizardbench.exe --pages. With BENCH_BEFORE (an earlier build folder
# holding app/Tessaly.exe) that program runs the same walk in the same
# rounds; a page change past BENCH_BEFORE_LIMIT seconds (default 120) is
# shown as over it (see README.md: under Wine it is waited out). Run it
# under an X display (xvfb-run -a).
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

# walk EXE COUNT: the run, Back and Next; prints "run back next" in seconds,
# ">LIMIT" for a page change that did not come within the limit.
walk() {
  local exe=$1 n=$2 log=$work/log
  rm -rf "$work/out" "$work/scratch"
  mkdir -p "$work/out"
  "$wine_run" "$build/tests/wizardbench.exe" "$(winpath "$exe")" "$(winpath "$work/src$n/boxes")\\" \
    "$(winpath "$work/out/all.mbox")" Mbox_Win "$(winpath "$work/scratch")" "--pages=$limit" >"$log" 2>&1 || true
  tr -d '\r' <"$log" | grep -q "^$n mailboxes processed, $n messages converted, 0 duplicates skipped, 0 errors.$" ||
    { echo "wrong run: $exe $n" >&2; cat "$log" >&2; exit 1; }
  tr -d '\r' <"$log" | awk -v limit="$limit" '
    /^[0-9.]+ s$/ {run=$1} /^back / {back=$2} /^next / {next_=$2}
    END {if (back < 0 || back == "") back=">" limit; if (next_ < 0 || next_ == "") next_=">" limit;
         printf "%s %s %s", run, back, next_}'
  # A program stopped at the limit may leave its Wine client behind.
  sleep 1
}

declare -A now old
echo "# Back then Next after a long run $(date -u '+%Y-%m-%d %H:%M UTC'), $rounds rounds, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 1; r <= rounds; r++)); do
  for n in "${counts[@]}"; do
    res=$(walk "$build/app/Tessaly.exe" "$n")
    read -r a b c <<<"$res"
    now[$n.run]+="$a " now[$n.back]+="$b " now[$n.next]+="$c "
    if [ -n "$before" ]; then
      res=$(walk "$before/app/Tessaly.exe" "$n")
      read -r a b c <<<"$res"
      old[$n.run]+="$a " old[$n.back]+="$b " old[$n.next]+="$c "
    fi
  done
done

echo
echo "| mailboxes | build | run s | Back s | Next s | Next, before / now |"
echo "|---|---|---|---|---|---|"
for n in "${counts[@]}"; do
  echo "| $n | this build | ${now[$n.run]}| ${now[$n.back]}| ${now[$n.next]}| |"
  [ -z "$before" ] ||
    echo "| $n | before | ${old[$n.run]}| ${old[$n.back]}| ${old[$n.next]}| $(mratio "${old[$n.next]//>/}" "${now[$n.next]}") |"
done
