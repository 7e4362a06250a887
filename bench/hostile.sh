#!/usr/bin/env bash
# Builds a mail tree of hostile and unlucky input and converts it with
# bench/convert, then checks the run: exit code 0, every message written or
# named in the error log, and the summary's counts equal to the files on
# disk. Too large and too slow for the test suite; run it by hand.
#
#   bench/hostile.sh
#
# The tree (Thunderbird layout, searched with -s): a mailbox of 2 messages,
# a folder link back to the root, a mailbox named AUX, mailboxes whose
# names are Cyrillic, Japanese and end in a dot, a mailbox without its
# index, and a mailbox holding a 700 MB message and one with a 250 MB line
# between ordinary ones. Beside it an Eudora index with damaged entries.
# Environment: TESSALY_BUILD (default build), HOSTILE_WORK (default
# /tmp/tessaly-hostile), HOSTILE_BIG (size of the large message in MB,
# default 700).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSALY_BUILD:-$root/build}
work=${HOSTILE_WORK:-/tmp/tessaly-hostile}
big=${HOSTILE_BIG:-700}
export TESSALY_WINEPREFIX=${TESSALY_WINEPREFIX:-$build/wineprefix}
rm -rf "$work"
mkdir -p "$work/tree/Local Folders/Inbox.sbd" "$work/eudora" "$work/out" "$work/out-eudora"

python3 - "$work" "$big" <<'PY'
import os, sys
work, big = sys.argv[1], int(sys.argv[2])
lf = os.path.join(work, "tree", "Local Folders")
def msg(subject, body=b"body\n"):
    return (b"From a@b Mon Jan  5 10:00:00 2009\nFrom: a@b\nSubject: " + subject.encode() +
            b"\nContent-Type: text/plain\n\n" + body + b"\n")
def box(path, *subjects):
    with open(path, "wb") as f:
        for s in subjects:
            f.write(msg(s))
    open(path + ".msf", "wb").write(b"index")
box(os.path.join(lf, "Inbox"), "inbox one", "inbox two")
box(os.path.join(lf, "Inbox.sbd", "AUX"), "device")
box(os.path.join(lf, "\u0416\u0443\u043a"), "cyrillic")
box(os.path.join(lf, "\u540d\u524d"), "japanese")
box(os.path.join(lf, "Old."), "trailing dot")
with open(os.path.join(lf, "Orphan"), "wb") as f:
    f.write(msg("orphan"))
with open(os.path.join(lf, "Huge"), "wb") as f:
    f.write(msg("before huge"))
    f.write(b"From a@b Mon Jan  5 10:00:00 2009\nFrom: a@b\nSubject: huge\nContent-Type: text/plain\n\n")
    block = (b"z" * 99 + b"\n") * 16384
    for _ in range(big * 1048576 // len(block) + 1):
        f.write(block)
    f.write(b"\n")
    f.write(msg("between"))
    f.write(b"From a@b Mon Jan  5 10:00:00 2009\nFrom: a@b\nSubject: long line\nContent-Type: text/plain\n\n")
    chunk = b"x" * 1048576
    for _ in range(250):
        f.write(chunk)
    f.write(b"\n\n")
    f.write(msg("after huge"))
open(os.path.join(lf, "Huge.msf"), "wb").write(b"index")
# Eudora: four messages, entries without a length, running on, starting
# inside a message, outside the data file, and one whole.
msgs = [(b"From ???@??? Mon Jan  1 10:00:00 2001\r\nSubject: eudora %d\r\nContent-Type: text/plain\r\n\r\nbody\r\n" % i)
        for i in range(1, 5)]
at = [0]
for m in msgs:
    at.append(at[-1] + len(m))
entries = [(0, 0), (at[1], len(msgs[1]) + len(msgs[2])), (at[2] + 7, len(msgs[2]) - 7), (900000, 40), (at[3], len(msgs[3]))]
toc = bytearray(104)
toc[0] = 0x30
toc[8:10] = b"In"
toc[102] = len(entries)
for off, length in entries:
    e = bytearray(218)
    e[0:4] = off.to_bytes(4, "little")
    e[4:8] = length.to_bytes(4, "little")
    e[12] = 1
    toc += e
open(os.path.join(work, "eudora", "In.toc"), "wb").write(bytes(toc))
open(os.path.join(work, "eudora", "In.mbx"), "wb").write(b"".join(msgs))
PY
ln -s .. "$work/tree/Local Folders/Inbox.sbd/loop"

winpath() { echo "Z:${1//\//\\}"; }
status=0
check() {  # log, out folder
    local log=$1 out=$2
    local converted files errors rows
    converted=$(grep -oE '[0-9]+ messages converted' "$log" | grep -oE '^[0-9]+')
    errors=$(grep -oE '[0-9]+ errors' "$log" | grep -oE '^[0-9]+')
    files=$(find "$out" -type f | wc -l)
    echo "summary: $converted converted, $errors errors; files on disk: $files"
    [ "$converted" = "$files" ] || { echo "MISMATCH: summary and files on disk differ"; status=1; }
}
run() {  # name, args...
    local name=$1; shift
    local log=$work/$name.log
    local rc=0
    "$root/scripts/wine-run.sh" "$build/bench/convert.exe" "$@" > "$log" 2>&1 || rc=$?
    echo "== $name: exit code $rc"
    grep -vE '^(Processing: |Done$|$)' "$log" | grep -v "^Error log" || true
    [ "$rc" = 0 ] || status=1
    # Each run starts its own error log.
    local errlog
    errlog=$(sed -n 's/^Error log: //p' "$log" | tr -d '\r')
    if [ -n "$errlog" ]; then
        errlog=$("$root/scripts/wine-run.sh" winepath -u "$errlog" 2>/dev/null)
        echo "-- error log rows (error, file, folder):"
        tail -n +2 "$errlog" | cut -f1-3
    fi
}
run tree "$(winpath "$work/tree/Local Folders")\\*.msf" Thunderbird "$(winpath "$work/out")\\" EML -s
check "$work/tree.log" "$work/out"
run eudora "$(winpath "$work/eudora/In.toc")" Eudora.toc "$(winpath "$work/out-eudora")\\" EML
check "$work/eudora.log" "$work/out-eudora"
rm -rf "$work"
exit $status
