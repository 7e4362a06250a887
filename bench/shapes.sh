#!/usr/bin/env bash
# Message shapes beside the build before: each shape's mailbox is converted
# by this build's convert.exe and by an earlier one (BENCH_BEFORE, a folder
# holding its convert.exe), round by round (each going first in every other
# round), to an mbox for Windows and for Unix, next to cp and unix2dos on
# the same file; the outputs of the two builds are compared byte for byte in
# every round.
#
#   BENCH_BEFORE=/path/to/old TESSALY_BUILD=build bench/shapes.sh [shape...]
#
# Shapes: lf and crlf (mailgen, 100M), lf1g (mailgen, 1G, named only), plain (mailgen's messages without
# their Content-Type lines), nulpad (each message padded with NULs to a
# 4 KiB edge), nulend (a NUL three bytes before each message's end), tiny
# (200,000 messages of one short line), big (eight plain-text messages of 9
# to 16 MB), untyped (four such messages without a Content-Type, two with
# an "=20" at their end). BENCH_ROUNDS (default 5),
# BENCH_WORK (default /tmp/tessaly-shapes).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${TESSALY_BUILD:-$root/build}" && pwd)
before=$(cd "${BENCH_BEFORE:?the folder of the build before}" && pwd)
rounds=${BENCH_ROUNDS:-5}
work=${BENCH_WORK:-/tmp/tessaly-shapes}
export TESSALY_WINEPREFIX=${TESSALY_WINEPREFIX:-$build/wineprefix}
wine_run="$root/scripts/wine-run.sh"
shapes=("$@")
[ ${#shapes[@]} -gt 0 ] || shapes=(lf crlf plain nulpad nulend tiny big untyped)
command -v unix2dos >/dev/null || apt-get install -y -q dos2unix >/dev/null
mkdir -p "$work"
work=$(cd "$work" && pwd)
winpath() { printf 'Z:%s' "${1//\//\\}"; }
"$wine_run" "$build/bench/mailgen.exe" >/dev/null 2>&1 || true
WINEPREFIX=$TESSALY_WINEPREFIX wineserver -p 2>/dev/null || true

make_shape() {
  local shape=$1 box=$2
  case $shape in
  lf | crlf) "$wine_run" "$build/bench/mailgen.exe" "$(winpath "$box")" 100M --seed 1 --eol "$shape" >/dev/null ;;
  lf1g) "$wine_run" "$build/bench/mailgen.exe" "$(winpath "$box")" 1G --seed 1 --eol lf >/dev/null ;;
  plain | nulpad | nulend)
    "$wine_run" "$build/bench/mailgen.exe" "$(winpath "$box.src")" 60M --seed 2 >/dev/null
    python3 - "$shape" "$box.src" "$box" <<'PY'
import re, sys
shape, src, dst = sys.argv[1:]
data = open(src, 'rb').read()
msgs = re.split(rb'(?m)^(?=From \S+ \w{3} \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4}\n)', data)
out = bytearray()
for m in msgs:
    if not m:
        continue
    if shape == 'plain':
        head, sep, body = m.partition(b'\n\n')
        if b'multipart' not in head:
            head = re.sub(rb'(?mi)^content-(type|transfer-encoding):.*\n(?:[ \t].*\n)*', b'', head + b'\n')[:-1]
        m = head + sep + body
    elif shape == 'nulend' and len(m) > 8:
        m = m[:-4] + b'\0' + m[-3:]
    out += m
    if shape == 'nulpad':
        out += b'\0' * (-len(out) % 4096)
open(dst, 'wb').write(out)
PY
    rm -f "$box.src" ;;
  big | untyped)
    python3 - "$shape" "$box" <<'PY'
import random, sys
shape, box = sys.argv[1:]
big = shape == 'big'
random.seed(3 if big else 4)
words = [b'%x' % random.getrandbits(20) for _ in range(2000)]
with open(box, 'wb') as f:
    for i in range(8 if big else 4):
        f.write(b'From a%d@example.com Mon Jan  5 10:00:00 2009\nSubject: %s %d\n%s\n'
                % (i, shape.encode(), i, b'Content-Type: text/plain\n' if big else b''))
        body = bytearray()
        size = random.randrange(9 << 20, 16 << 20)
        while len(body) < size:
            body += b' '.join(random.choice(words) for _ in range(12)) + b'\n'
        if not big and i % 2:
            body += b'a blank=20\n'
        f.write(bytes(body) + b'\n')
PY
    ;;
  tiny)
    python3 - "$box" <<'PY'
import sys
with open(sys.argv[1], 'wb') as f:
    for i in range(200000):
        f.write(b'From a%d@example.com Mon Jan  5 10:00:00 2009\nSubject: note %d\n\nok %d\n\n' % (i, i, i))
PY
    ;;
  esac
}

# own TIME-LIST-NAME FILE: the run's own seconds from convert's figures line.
own() { sed -n 's/^\([0-9.]*\) s, .*/\1/p' "$1" | tail -n 1; }
source "$root/bench/ratios.sh"
wall() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); awk -v s="$s" -v e="$e" 'BEGIN{printf "%.3f", e-s}'; }

echo "# Shapes $(date -u '+%Y-%m-%d %H:%M UTC'), $rounds rounds, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| shape | bytes | target | now s (own) | before s (own) | now / before | now / cp | now / unix2dos | same bytes |"
echo "|---|---|---|---|---|---|---|---|---|"
for shape in "${shapes[@]}"; do
  box="$work/$shape.mbox"
  make_shape "$shape" "$box"
  cat "$box" >/dev/null
  for target in Mbox_Win Mbox_Unix; do
    now="" old="" cpt="" u2d="" same=yes
    for ((r = 1; r <= rounds; r++)); do
      rm -f "$work/now.mbox" "$work/old.mbox" "$work/cp.mbox" "$work/u2d.mbox"
      # The two builds take turns at going first: the first run of a round
      # follows the deletion of the round before's outputs, and meets more
      # of the machine's slow moments.
      for side in $( ((r % 2)) && echo now old || echo old now); do
        exe=$build/bench/convert.exe
        [ "$side" = now ] || exe=$before/convert.exe
        "$wine_run" "$exe" "$(winpath "$box")" Mbox "$(winpath "$work/$side.mbox")" $target >"$work/$side.out" 2>&1
      done
      now+=" $(own "$work/now.out")"
      old+=" $(own "$work/old.out")"
      cpt+=" $(wall cp "$box" "$work/cp.mbox")"
      u2d+=" $(wall unix2dos -q -f -n "$box" "$work/u2d.mbox")"
      cmp -s "$work/now.mbox" "$work/old.mbox" || same=no
    done
    rm -f "$work/now.mbox" "$work/old.mbox" "$work/cp.mbox" "$work/u2d.mbox"
    echo "| $shape | $(stat -c %s "$box") | $target | ${now# } | ${old# } | $(mratio "$now" "$old") | $(mratio "$now" "$cpt") | $(mratio "$now" "$u2d") | $same |"
  done
  rm -f "$box"
done
echo
echo "# load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
