#!/usr/bin/env bash
# Eudora pairs in a folder whose name ends in a dot: COUNT pairs (default
# 2000) of one message each in "Mail." and the same in "Mail", each folder
# searched by "*.toc" and converted to .eml files, in turns for
# BENCH_ROUNDS rounds (default 3). Under Wine every path below "Mail." goes
# by a short form; the table gives each run's own seconds (convert's figures
# line) and the median of the per-round ratios of the dotted folder to the
# plain one.
#
#   TESSALY_BUILD=build bench/dotfolder.sh [COUNT]
#
# BENCH_WORK (default /tmp/tessaly-dotfolder).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/ratios.sh"
bench_against_before tessaly-dotfolder
count=${1:-2000}

src=$work/src$count
if [ ! -f "$src/done" ]; then
  rm -rf "$src"
  python3 - "$root/bench" "$src" "$count" <<'EOF'
import os, sys
sys.path.insert(0, sys.argv[1])
from eudora_toc import toc
src, count = sys.argv[2], int(sys.argv[3])
for folder in ("Mail", "Mail."):
    os.makedirs(os.path.join(src, folder))
    for i in range(count):
        box = b"From ???@??? Mon Jan 05 10:00:00 2009\r\nSubject: note %d\r\n\r\nbody\r\n" % i
        base = os.path.join(src, folder, f"Box {i}")
        with open(base + ".mbx", "wb") as f:
            f.write(box)
        with open(base + ".toc", "wb") as f:
            f.write(toc([(0, len(box))]))
EOF
  touch "$src/done"
fi

# run FOLDER: one conversion into a new folder; its own seconds.
run() {
  local out=$work/out log=$work/log
  rm -rf "$out"
  mkdir -p "$out"
  "$wine_run" "$build/bench/convert.exe" "$(winpath "$src/$1")\\*.toc" Eudora.toc "$(winpath "$out")\\" EML \
    >"$log" 2>&1 || { echo "convert failed: $1" >&2; tail -5 "$log" >&2; exit 1; }
  grep -q "^$count mailboxes processed, $count messages converted, 0 duplicates skipped, 0 errors.\$" "$log" ||
    { echo "wrong counts: $1" >&2; tail -5 "$log" >&2; exit 1; }
  sed -n 's/^\([0-9.]*\) s, .*/\1/p' "$log" | tail -n 1
  rm -rf "$out"
}

plain="" dotted=""
echo "# $count Eudora pairs, a plain folder and one ending in a dot: $(date -u '+%Y-%m-%d %H:%M UTC')," \
  "$rounds rounds, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 1; r <= rounds; r++)); do
  plain+="$(run Mail) "
  dotted+="$(run Mail.) "
done
echo
echo "| folder | seconds (runs) | against the plain folder |"
echo "|---|---|---|"
echo "| Mail | $plain| 1.00 |"
echo "| Mail. | $dotted| $(mratio "$dotted" "$plain") |"
