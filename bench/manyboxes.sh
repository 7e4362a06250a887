#!/usr/bin/env bash
# Many small mailboxes: COUNTS folders of one-message mailboxes (default 200
# and 2000), each searched by a folder pattern and converted to every target
# kind: .eml and .txt files, and one mbox per mailbox for Windows, Unix and
# Macintosh. With BENCH_BEFORE (a folder holding an earlier build's
# convert.exe) that build runs the same cases in the same rounds; a run that
# passes BENCH_BEFORE_LIMIT seconds (default 120) is stopped and shown as
# over it. Times are each run's own seconds from convert's figures line.
# Beside them, Wine's own floor: winsplit making as many files of the same
# size under the mbox targets' names in one new folder, timed by itself.
#
#   BENCH_BEFORE=/path/to/old/bench TESSALY_BUILD=build bench/manyboxes.sh [count...]
#
# BENCH_ROUNDS (default 3), BENCH_WORK (default /tmp/tessaly-manyboxes).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/ratios.sh"
bench_against_before tessaly-manyboxes
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(200 2000)
targets=(EML Txt Mbox_Win Mbox_Unix Mbox_Mac)
"$wine_run" "$build/bench/mailgen.exe" >/dev/null 2>&1 || true
WINEPREFIX=$TESSALY_WINEPREFIX wineserver -p 2>/dev/null || true

for n in "${counts[@]}"; do
  one_message_boxes "$work/src$n" "$n"
done
for n in "${counts[@]}"; do
  seq 1 "$n" | sed 's/.*/box&.mbox/' >"$work/names$n"
  head -c "$(cat "$work/src$n"/*.mbox | wc -c)" /dev/zero >"$work/floor$n"
done

# floor COUNT: winsplit's own seconds for COUNT files in a new folder.
floor() {
  local n=$1 out=$work/out
  rm -rf "$out"
  "$wine_run" "$build/bench/winsplit.exe" "$(winpath "$work/floor$n")" "$n" "$(winpath "$out")" \
    "$(winpath "$work/names$n")" >"$work/log" 2>&1 || { echo "winsplit failed: $n" >&2; cat "$work/log" >&2; exit 1; }
  [ "$(ls "$out" | wc -l)" = "$n" ] || { echo "winsplit made the wrong files: $n" >&2; exit 1; }
  tr -d '\r' <"$work/log" | sed -n 's/^\([0-9.]*\) s$/\1/p' | tail -n 1
  rm -rf "$out"
}

# run EXE COUNT TARGET: one conversion into a new folder; prints its own seconds,
# or ">LIMIT" when it was stopped.
run() {
  local exe=$1 n=$2 target=$3 out=$work/out log=$work/log
  rm -rf "$out"
  mkdir -p "$out"
  local code=0
  timeout "${4:-0}" "$wine_run" "$exe" "$(winpath "$work/src$n")\\*.mbox" Mbox "$(winpath "$out")\\" "$target" \
    >"$log" 2>&1 || code=$?
  if [ "$code" = 124 ]; then
    printf '>%s' "$limit"
    # The stopped process may leave its Wine client behind.
    sleep 1
  else
    grep -q "^$n mailboxes processed, $n messages converted, 0 duplicates skipped, 0 errors.$" "$log" ||
      { echo "wrong counts: $exe $n $target" >&2; cat "$log" >&2; exit 1; }
    sed -n 's/^\([0-9.]*\) s, .*/\1/p' "$log" | tail -n 1
  fi
  rm -rf "$out"
}

declare -A now old
echo "# Many mailboxes $(date -u '+%Y-%m-%d %H:%M UTC'), $rounds rounds, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 1; r <= rounds; r++)); do
  for n in "${counts[@]}"; do
    now[$n.Floor]+="$(floor "$n") "
    for t in "${targets[@]}"; do
      now[$n.$t]+="$(run "$build/bench/convert.exe" "$n" "$t") "
      if [ -n "$before" ]; then
        old[$n.$t]+="$(run "$before/convert.exe" "$n" "$t" "$limit") "
      fi
    done
  done
done

median() { tr ' ' '\n' <<<"$1" | grep -v '^$' | sort -g | awk '{a[NR]=$1} END{print (NR%2 ? a[(NR+1)/2] : a[NR/2])}'; }
echo
echo "| mailboxes | target | now s (runs) | now / .eml | before s (runs) |"
echo "|---|---|---|---|---|"
for n in "${counts[@]}"; do
  for t in "${targets[@]}"; do
    echo "| $n | $t | ${now[$n.$t]}| $(mratio "${now[$n.$t]}" "${now[$n.EML]}") | ${old[$n.$t]:-} |"
  done
  echo "| $n | Wine's floor (winsplit) | ${now[$n.Floor]}| $(mratio "${now[$n.Floor]}" "${now[$n.EML]}") | |"
done
if [ ${#counts[@]} -ge 2 ]; then
  small=${counts[0]} large=${counts[${#counts[@]}-1]}
  echo
  # Less the floor: what the converter adds to the files Wine makes, the
  # floor's time taken off in each round.
  less() { awk -v a="$1" -v f="$2" 'BEGIN{n=split(a,x," "); split(f,y," "); for(i=1;i<=n;i++) printf "%.3f ", x[i]-y[i]}'; }
  echo "| target | $large / $small (median of per-round ratios) | the same less Wine's floor |"
  echo "|---|---|---|"
  for t in "${targets[@]}" Floor; do
    echo "| $t | $(mratio "${now[$large.$t]}" "${now[$small.$t]}") |" \
      "$([ "$t" = Floor ] || mratio "$(less "${now[$large.$t]}" "${now[$large.Floor]}")" "$(less "${now[$small.$t]}" "${now[$small.Floor]}")") |"
  done
fi
