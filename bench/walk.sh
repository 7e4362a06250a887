#!/usr/bin/env bash
# The walk of a large tree with the target inside it: COUNT Thunderbird
# mailboxes (default 5000), one message each, in a tree six levels deep,
# converted to Mbox_Unix with sub-folders searched and the tree restored
# into a folder inside the searched tree. Timed two ways, for this build
# and each earlier build named in BENCH_BUILDS (label=build-folder pairs,
# each folder holding bench/convert.exe and app/Tessaly.exe), in turns:
#   - convert: the run's own seconds (its figures line);
#   - the window (tests' wizardbench): from the Start click until the log
#     first names a mailbox ("first word"; the status line, which counts
#     what the searches find, is painted and no other program reads it),
#     and until the run's end.
#
#   BENCH_BUILDS="old=/path/to/old/build" xvfb-run -a bench/walk.sh [COUNT]
#
# BENCH_ROUNDS (default 3), BENCH_WORK (default /tmp/tessaly-walk).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/ratios.sh"
bench_against_before tessaly-walk
count=${1:-5000}
builds=("now=$build")
for pair in ${BENCH_BUILDS:-}; do builds+=("$pair"); done

# The tree: a folder "tree" alone in its parent (the wizard adds it as the
# first folder there), five levels of sub-folders below it, the mailboxes
# on the last.
src=$work/src$count
if [ ! -f "$src/done" ]; then
  rm -rf "$src"
  python3 - "$src/tree" "$count" <<'EOF'
import os, sys
top, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    levels = [f"a{i % 5}", f"b{i // 5 % 5}", f"c{i // 25 % 5}", f"d{i // 125 % 5}", f"e{i // 625 % 9}"]
    folder = os.path.join(top, *(name + ".sbd" for name in levels))
    os.makedirs(folder, exist_ok=True)
    box = os.path.join(folder, f"box{i}")
    with open(box, "wb") as f:
        f.write(b"From - Mon Jan  5 10:00:00 2009\nSubject: note %d\nContent-Type: text/plain\n\nbody\n" % i)
    open(box + ".msf", "wb").close()
EOF
  touch "$src/done"
fi
unmanaged wizardbench.exe
unmanaged Tessaly.exe

# convert BUILD: the run's own seconds.
convert() {
  local out=$src/tree/out log=$work/log
  rm -rf "$out"
  "$wine_run" "$1/bench/convert.exe" "$(winpath "$src/tree")\\*.msf" Thunderbird "$(winpath "$out")\\" Mbox_Unix \
    -s -r >"$log" 2>&1 || { echo "convert failed: $1" >&2; tail -5 "$log" >&2; exit 1; }
  # An earlier build may count false errors: the messages are what count.
  grep -q "^$count mailboxes processed, $count messages converted, " "$log" ||
    { echo "wrong counts: $1" >&2; tail -5 "$log" >&2; exit 1; }
  sed -n 's/^\([0-9.]*\) s, .*/\1/p' "$log" | tail -n 1
  rm -rf "$out"
}

# window BUILD: the first word's seconds and the run's, through the window.
window() {
  local out=$src/tree/out log=$work/wlog
  rm -rf "$out" "$work/scratch"
  "$wine_run" "$build/tests/wizardbench.exe" "$(winpath "$1/app/Tessaly.exe")" "$(winpath "$src/tree")\\" \
    "$(winpath "$out")\\" Mbox_Unix "$(winpath "$work/scratch")" --format=Thunderbird --subfolders --restore \
    >"$log" 2>&1 || { echo "wizardbench failed: $1" >&2; tail -5 "$log" >&2; exit 1; }
  grep -q "^$count mailboxes processed, $count messages converted" "$log" ||
    { echo "wrong counts in the window: $1" >&2; tail -5 "$log" >&2; exit 1; }
  tr -d '\r' <"$log" | awk '/^first word /{f=$3} /^[0-9.]+ s$/{t=$1} END{print f, t}'
  rm -rf "$out"
}

declare -A times
echo "# The walk of $count mailboxes, target inside the tree: $(date -u '+%Y-%m-%d %H:%M UTC'), $rounds rounds," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 1; r <= rounds; r++)); do
  for pair in "${builds[@]}"; do
    label=${pair%%=*} dir=${pair#*=}
    times[$label.convert]+="$(convert "$dir") "
    read -r first whole <<<"$(window "$dir")"
    [ -n "$whole" ] || { echo "no times from the window: $dir" >&2; exit 1; }
    times[$label.first]+="$first " times[$label.window]+="$whole "
  done
done
echo
echo "| build | convert s (runs) | window: first word s | window: run s | convert / now | run / now |"
echo "|---|---|---|---|---|---|"
for pair in "${builds[@]}"; do
  label=${pair%%=*}
  echo "| $label | ${times[$label.convert]}| ${times[$label.first]}| ${times[$label.window]}|" \
    "$(mratio "${times[$label.convert]}" "${times[now.convert]}") |" \
    "$(mratio "${times[$label.window]}" "${times[now.window]}") |"
done
