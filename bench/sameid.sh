#!/usr/bin/env bash
# Messages of one identity: COUNTS messages (default 500 and 2000) sharing
# one Message-ID, each with a body of its own, converted to .eml files named
# by the identity digest, and then again into the same folder, where every
# message meets its own file among the numbered ones and is a duplicate.
# With BENCH_BEFORE (a folder holding an earlier build's convert.exe) that
# build runs the same cases in the same rounds; a run that passes
# BENCH_BEFORE_LIMIT seconds (default 120) is stopped and shown as over it.
# Times are each run's own seconds from convert's figures line.
#
#   BENCH_BEFORE=/path/to/old/bench TESSALY_BUILD=build bench/sameid.sh [count...]
#
# BENCH_ROUNDS (default 3), BENCH_WORK (default /tmp/tessaly-sameid).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/ratios.sh"
bench_against_before tessaly-sameid
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(500 2000)

for n in "${counts[@]}"; do
  [ -f "$work/same$n.mbox" ] && continue
  python3 - "$work/same$n.mbox" "$n" <<'PY'
import sys
path, n = sys.argv[1], int(sys.argv[2])
with open(path, 'wb') as f:
    for i in range(1, n + 1):
        f.write(b'From a@example.com Mon Jan  5 10:00:00 2009\nFrom: a@example.com\nSubject: note\n'
                b'Message-ID: <same@example.com>\nDate: Mon, 5 Jan 2009 10:00:00 +0000\n\nnote %d\n\n' % i)
PY
done

# run EXE COUNT: two conversions into one new folder, the second finding
# every message written; prints both runs' own seconds ("a+b"), or ">LIMIT".
run() {
  local exe=$1 n=$2 out=$work/out log=$work/log times=""
  rm -rf "$out"
  mkdir -p "$out"
  for pass in first again; do
    local code=0
    timeout "${3:-0}" "$wine_run" "$exe" "$(winpath "$work/same$n.mbox")" Mbox "$(winpath "$out")\\" EML -m \
      >"$log" 2>&1 || code=$?
    if [ "$code" = 124 ]; then
      printf '>%s' "$limit"
      sleep 1
      rm -rf "$out"
      return
    fi
    local want="1 mailboxes processed, $n messages converted, 0 duplicates skipped, 0 errors."
    [ $pass = again ] && want="1 mailboxes processed, 0 messages converted, $n duplicates skipped, 0 errors."
    grep -qxF "$want" "$log" || { echo "wrong counts: $exe $n $pass" >&2; cat "$log" >&2; exit 1; }
    times+=$(sed -n 's/^\([0-9.]*\) s, .*/\1/p' "$log" | tail -n 1)+
  done
  awk -v t="${times%+}" 'BEGIN{split(t,x,"+"); printf "%.3f", x[1]+x[2]}'
  rm -rf "$out"
}

declare -A now old
echo "# One identity $(date -u '+%Y-%m-%d %H:%M UTC'), $rounds rounds, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 1; r <= rounds; r++)); do
  for n in "${counts[@]}"; do
    now[$n]+="$(run "$build/bench/convert.exe" "$n") "
    [ -z "$before" ] || old[$n]+="$(run "$before/convert.exe" "$n" "$limit") "
  done
done

echo
echo "| messages | now s, both runs (rounds) | before s (rounds) |"
echo "|---|---|---|"
for n in "${counts[@]}"; do
  echo "| $n | ${now[$n]}| ${old[$n]:-} |"
done
if [ ${#counts[@]} -ge 2 ]; then
  small=${counts[0]} large=${counts[${#counts[@]}-1]}
  echo
  line="$large / $small (median of per-round ratios): now $(mratio "${now[$large]}" "${now[$small]}")"
  # A stopped run has no time to divide.
  if [ -n "$before" ] && [[ "${old[$large]}${old[$small]}" != *">"* ]]; then
    line+=", before $(mratio "${old[$large]}" "${old[$small]}")"
  fi
  echo "$line"
fi
