#!/usr/bin/env bash
# The arrival pass: a mailbox of copies written here (no trace of delivery
# anywhere) where one message names a file through X-Attachments. That
# message makes the reader look through every piece of the mailbox for a
# trace of arrival; the same mailbox with the field taken out is converted
# without the pass. Both run in this build and in an earlier one
# (BENCH_BEFORE, a folder holding its convert.exe), round by round, each
# build going first in every other round; the outputs of the two builds are
# compared byte for byte in every round, and the named file must come back
# in the output of each.
#
#   BENCH_BEFORE=/path/to/old/bench TESSALY_BUILD=build bench/arrival.sh [shape...]
#
# Shapes: formed (a header, a blank line, a body), bare (a header and the
# body right after it, with no blank line between), bare1 (one such message
# of 900 KB behind the one that names the file). formed and bare are
# ARRIVAL_SIZE (default 200M) of messages of ARRIVAL_MESSAGE bytes (default
# 100k). BENCH_ROUNDS (default 3), BENCH_BEFORE_LIMIT seconds a run may take
# (default 120), BENCH_WORK (default /tmp/tessaly-arrival).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/ratios.sh"
bench_against_before tessaly-arrival
shapes=("$@")
[ ${#shapes[@]} -gt 0 ] || shapes=(bare1 formed bare)
size=${ARRIVAL_SIZE:-200M}
message=${ARRIVAL_MESSAGE:-100k}
bytes() { numfmt --from=iec "${1^^}"; }
"$wine_run" "$build/bench/convert.exe" >/dev/null 2>&1 || true
WINEPREFIX=$TESSALY_WINEPREFIX wineserver -p 2>/dev/null || true
echo "LEGIT-4c1d the user's own plan" >"$work/plan.txt"

# make SHAPE BOX NAMED: the mailbox of SHAPE; NAMED 1 puts the field in.
make() {
  python3 - "$1" "$2" "$3" "$(bytes "$size")" "$(bytes "$message")" "$(winpath "$work/plan.txt")" <<'PY'
import sys
shape, box, named, size, message, plan = sys.argv[1], sys.argv[2], sys.argv[3] == "1", int(sys.argv[4]), int(sys.argv[5]), sys.argv[6]
line = b"the quarterly plan goes out to everyone on the list tomorrow morning, as agreed\n"
def msg(i, body, blank=True, field=b""):
    head = (b"From me@example.com Mon Jan  5 10:00:00 2009\nFrom: me@example.com\nTo: you@example.com\n"
            b"Subject: copy %d\nDate: Mon, 5 Jan 2009 10:00:00 +0000\n" % i + field)
    return head + (b"\n" if blank else b"") + line * (body // len(line) + 1) + b"\n"
field = b"X-Attachments: " + plan.encode() + b"\n" if named else b""
with open(box, "wb") as f:
    f.write(msg(0, 200, True, field))
    if shape == "bare1":
        f.write(msg(1, 900 * 1024, False))
    else:
        for i in range(1, size // message + 1):
            f.write(msg(i, message, shape == "formed"))
PY
}

# own FILE: the run's own seconds from convert's figures line, or ">LIMIT".
own() { sed -n 's/^\([0-9.]*\) s, .*/\1/p' "$1" | tail -n 1 | grep . || echo ">$limit"; }

echo "# Arrival pass $(date -u '+%Y-%m-%d %H:%M UTC'), $rounds rounds, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| shape | bytes | named: now s | named: before s | none: now s | none: before s | now named / none | before named / none | named now / before | same bytes |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for shape in "${shapes[@]}"; do
  make "$shape" "$work/named.mbox" 1
  make "$shape" "$work/none.mbox" 0
  declare -A t=()
  same=yes
  for ((r = 1; r <= rounds; r++)); do
    for box in named none; do
      for side in $( ((r % 2)) && echo now before || echo before now); do
        exe=$build/bench/convert.exe
        [ "$side" = now ] || exe=$before/convert.exe
        rm -rf "$work/out-$side"
        mkdir -p "$work/out-$side"
        timeout "$limit" "$wine_run" "$exe" "$(winpath "$work/$box.mbox")" Mbox "$(winpath "$work/out-$side/x.mbox")" \
          Mbox_Unix >"$work/$side.log" 2>&1 || true
        t[$box-$side]+=" $(own "$work/$side.log")"
      done
      cmp -s "$work/out-now/x.mbox" "$work/out-before/x.mbox" || same=no
      if [ $box = named ] && ! python3 -c 'import mailbox, sys
sys.exit(not any(b"LEGIT-4c1d" in (p.get_payload(decode=True) or b"") for m in mailbox.mbox(sys.argv[1]) for p in m.walk()))' \
          "$work/out-now/x.mbox"; then
        echo "MISSING: the named file in the output of $shape" >&2
        same=no
      fi
    done
  done
  echo "| $shape | $(stat -c %s "$work/named.mbox") | ${t[named-now]# } | ${t[named-before]# } | ${t[none-now]# } |" \
    "${t[none-before]# } | $(mratio "${t[named-now]}" "${t[none-now]}") | $(mratio "${t[named-before]}" "${t[none-before]}") |" \
    "$(mratio "${t[named-now]}" "${t[named-before]}") | $same |"
  unset t
done
rm -rf "$work/out-now" "$work/out-before" "$work/named.mbox" "$work/none.mbox"
echo
echo "# load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
