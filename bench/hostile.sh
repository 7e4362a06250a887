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
# between ordinary ones; mailboxes named CONIN$ and CONOUT$, one whose
# subjects are those names, three patches under one Message-ID, and a chain
# of mailboxes 50 folders deep (paths past MAX_PATH). Beside it an Eudora
# index with damaged entries and a file that is no mailbox. The tree is
# converted flat, with its folders restored, and twice with digest names
# (the second run only duplicates); the file that is no mailbox is one
# error, and an error log that is a folder is said once and replaced.
# A section of its own checks that every mailbox is accounted for: files
# found through an index that are no mailbox, FIFOs, device-named target
# files, sources cut or grown during the run, damaged Eudora indexes and
# error logs that cannot take rows.
# Another section checks that each event that is no conversion is one row in
# the error log and one error (patterns naming Mozilla mailbox files, a
# source cut to nothing, an error log naming a mailbox, a missing Eudora
# index, index entries with one start, superscript device names).
# Then the same canary road by road (Mbox, Pine, Eudora, Thunderbird) into
# every target, odd but correct Eudora indexes and a Macintosh one. A
# section of its own names the canary from pieces split off received mail,
# from an mbox output converted again, from a mail profile, from files
# that read as a mailbox and from a file of two names, and reads each row
# in the error log; another lets a loop link a name of an attachments
# folder to the canary and remove it again while 400 messages name it.
# Another counts with Python's mailbox the messages of each mbox copy of
# Eudora and Mac stores whose bodies start lines with "From ", and of
# mailboxes that end inside a separator line. The run ends with its counts
# of crashes, hangs, writes outside the targets and sources changed.
# Environment: TESSALY_BUILD (default build), HOSTILE_WORK (default
# /tmp/tessaly-hostile), HOSTILE_BIG (size of the large message in MB,
# default 700).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSALY_BUILD:-$root/build}
work=${HOSTILE_WORK:-/tmp/tessaly-hostile}
big=${HOSTILE_BIG:-700}
export TESSALY_WINEPREFIX=${TESSALY_WINEPREFIX:-$build/wineprefix}
# The tree builders share the Eudora index writer.
export PYTHONPATH=$root/bench${PYTHONPATH:+:$PYTHONPATH}
rm -rf "$work"
mkdir -p "$work/tree/Local Folders/Inbox.sbd" "$work/eudora" "$work/out" "$work/out-eudora"
mkdir -p "$work/roads/mbox" "$work/roads/pine" "$work/roads/eudora/Attach" "$work/roads/tb/Local Folders" \
    "$work/eudora-odd" "$work/eudora-mac"

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
box(os.path.join(lf, "CONIN$"), "console in")
box(os.path.join(lf, "Inbox.sbd", "CONOUT$"), "console out")
box(os.path.join(lf, "Console"), "CONIN$", "CONOUT$.txt")
with open(os.path.join(lf, "Patches"), "wb") as f:
    for body in (b"patch one", b"patch two", b"patch three"):
        f.write(b"From a@b Mon Jan  5 10:00:00 2009\nFrom: a@b\nSubject: patch\nMessage-ID: <same@b>\n\n" +
                body + b"\n\n")
open(os.path.join(lf, "Patches.msf"), "wb").write(b"index")
deep = lf
for i in range(50):
    os.makedirs(deep, exist_ok=True)
    box(os.path.join(deep, "Deep %d" % (100 + i)), "deep %d" % i)
    deep = os.path.join(deep, "Deep %d.sbd" % (100 + i))
open(os.path.join(work, "eudora", "notes.txt"), "wb").write(b"not a mailbox\n")
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
from eudora_toc import toc
# Eudora: four messages, entries without a length, running on, starting
# inside a message, outside the data file, and one whole.
msgs = [(b"From ???@??? Mon Jan  1 10:00:00 2001\r\nSubject: eudora %d\r\nContent-Type: text/plain\r\n\r\nbody\r\n" % i)
        for i in range(1, 5)]
at = [0]
for m in msgs:
    at.append(at[-1] + len(m))
entries = [(0, 0), (at[1], len(msgs[1]) + len(msgs[2])), (at[2] + 7, len(msgs[2]) - 7), (900000, 40), (at[3], len(msgs[3]))]
open(os.path.join(work, "eudora", "In.toc"), "wb").write(toc(entries))
open(os.path.join(work, "eudora", "In.mbx"), "wb").write(b"".join(msgs))
# A canary file beside the sources that received mail names in every way a
# store records attachment files, on every road; and Eudora indexes whose
# entries are correct but look odd (a body quoting a mailbox, padding after
# a message, lengths past the data file's end) or come from a Macintosh.
canary = "Z:" + os.path.join(work, "canary.txt").replace("/", "\\")
open(os.path.join(work, "canary.txt"), "wb").write(b"CANARY-7f3a the reader's own file\n")
recv = "Received: from evil.example.net by mx.example.com; Mon, 5 Jan 2009 10:00:00 +0000\n"
def mbox(subject, fields, body="Give.\n"):
    return ("From eve@example.net Mon Jan  5 10:00:00 2009\n" + recv + "From: eve@example.net\nSubject: " + subject +
            "\n" + fields + "\n" + body + "\n")
names = "X-Attachments: %s; ..\\..\\canary.txt; C:\\x\\CONIN$; \\\\?\\%s\nContent-Type: text/plain\n" % (canary, canary)
for road in ("mbox", "pine"):
    open(os.path.join(work, "roads", road, "box"), "w").write(mbox("loot", names))
crlf = lambda t: t.replace("\n", "\r\n").encode()
eud = [crlf("From ???@??? Mon Jan  5 10:00:00 2009\n" + recv + "Subject: fields\nX-Attachments: " + canary +
            "\nX-EmbeddedContent: <EID:i1@x=" + canary + ">\n\nFields.\n"),
       crlf("From ???@??? Mon Jan  5 10:00:00 2009\n" + recv + "Subject: markers\n"
            "Content-Type: multipart/mixed; boundary=\"b\"\n\nMarkers.\nAttachment Converted: " + canary +
            "\nAttachment Converted: Z:" + os.path.join(work, "roads", "eudora").replace("/", "\\") +
            "\\Attach\\..\\..\\..\\canary.txt\nEmbedded Content: " + canary + ": 0001\n")]
def store(folder, data, entries, count=None):
    open(os.path.join(folder, "In.mbx"), "wb").write(data)
    open(os.path.join(folder, "In.toc"), "wb").write(toc(entries, count))
store(os.path.join(work, "roads", "eudora"), b"".join(eud), [(0, len(eud[0])), (len(eud[0]), len(eud[1]))])
# An absolute reference is what a mail program writes on detaching a part;
# it may not open the store's own mailbox, which here holds the canary.
sent = os.path.join(work, "roads", "tb", "Local Folders", "Sent")
open(sent, "w").write("From - Mon Jan  5 10:00:00 2009\nSubject: mine\n\nCANARY-7f3a sent\n")
url = "file:///" + ("Z:" + sent.replace("/", "\\")).replace("\\", "/")
tb = ("From - Mon Jan  5 10:00:00 2009\n" + recv + "From: eve@example.net\nSubject: detached\n"
      "X-Mozilla-Altered: AttachmentDetached\nContent-Type: multipart/mixed; boundary=\"b1\"\n\n--b1\n"
      "Content-Type: text/plain\n\nNotes.\n--b1\nContent-Type: text/plain; name=\"loot.txt\"\n"
      "Content-Disposition: attachment; filename=\"loot.txt\"\nX-Mozilla-External-Attachment-URL: " + url +
      "\nX-Mozilla-Altered: AttachmentDetached\n\nContent-Type: text/plain\n\n--b1--\n\n")
open(os.path.join(work, "roads", "tb", "Local Folders", "Inbox"), "w").write(tb)
open(os.path.join(work, "roads", "tb", "Local Folders", "Inbox.msf"), "w").write("index")
# Correct entries that look odd: 6 messages, each read whole and once.
m = lambda s, b=b"body\r\n": (b"From ???@??? Mon Jan  1 10:00:00 2001\r\nSubject: " + s +
                               b"\r\nContent-Type: text/plain\r\n\r\n" + b)
quoted = m(b"quotes", b"Bounced:\r\nFrom ???@??? Mon Jan  1 09:00:00 2001\r\n\r\nFrom bob@example.com Mon Jan  1 "
                      b"08:00:00 2001\r\nSubject: older\r\n\r\nold\r\n")
parts = [quoted, b" " * 65, m(b"after 65"), b"\0" * 199 + b"\0", m(b"after 200"), m(b"huge length"),
         m(b"all ones"), m(b"last, a little long")]
data, at = b"", []
for p in parts:
    at.append(len(data))
    data += p
store(os.path.join(work, "eudora-odd"), data,
      [(at[0], len(quoted)), (at[2], len(parts[2])), (at[4], len(parts[4])), (at[5], 0x7FFFFFFF),
       (at[6], 0xFFFFFFFF), (at[7], len(parts[7]) + 3)])
# A Macintosh index: its count the other way round.
store(os.path.join(work, "eudora-mac"), m(b"mac"), [(0, 40)], count=0x100)
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
crashes=0
hangs=0
run() {  # name, args...
    local name=$1; shift
    local log=$work/$name.log
    local rc=0
    timeout 900 "$root/scripts/wine-run.sh" "$build/bench/convert.exe" "$@" > "$log" 2>&1 || rc=$?
    echo "== $name: exit code $rc"
    if [ "$rc" = 124 ]; then hangs=$((hangs + 1)); elif [ "$rc" != 0 ]; then crashes=$((crashes + 1)); fi
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
# --- Typed paths (a section of its own) --------------------------------------
# A target typed with a doubled final backslash (as scripts that join a
# folder and "\" make), with "." and ".." levels, and a source pattern with
# "." and ".." levels, searched with the tree restored, on every target:
# each run exits 0, converts every message (a folder named outside the code
# page among them) into the folder the typing leads to, with the same
# message count read back by Python's mailbox, and writes nothing beside it.
typed_paths() {
    local tp=$work/typed
    mkdir -p "$tp/stage/ln3/Почта"
    python3 - "$tp/stage/ln3" <<'PY'
import os, sys
d = sys.argv[1]
m = lambda s: b"From a@b Mon Jan  5 10:00:00 2009\nSubject: " + s + b"\n\nbody\n\n"
open(os.path.join(d, "a.mbox"), "wb").write(m(b"a"))
open(os.path.join(d, "Почта", "Входящие.mbox"), "wb").write(m(b"w1") + m(b"w2"))
PY
    local s o format i rc source target
    s=$(winpath "$tp/stage")
    o=$(winpath "$tp/out")
    local sources=("$s\\ln3\\*.mbox" "$s\\ln3\\.\\*.mbox" "$s\\x\\..\\ln3\\*.mbox" "$s\\\\ln3\\*.mbox")
    local targets=('r\\' 'x\..\r\' 'r\.\' 'r\.')
    for format in EML Mbox_Win Mbox_Unix Mbox_Mac; do
        for i in 0 1 2 3; do
            source=${sources[$i]}
            target="$o\\$format-$i\\${targets[$i]}"
            rc=0
            timeout 900 "$root/scripts/wine-run.sh" "$build/bench/convert.exe" "$source" Mbox "$target" "$format" -s -r \
                > "$tp/$format-$i.log" 2>&1 || rc=$?
            [ "$rc" = 124 ] && hangs=$((hangs + 1))
            [ "$rc" = 0 ] || { echo "MISMATCH: typed $format $i exits with $rc"; cat "$tp/$format-$i.log"; status=1; }
            grep -q "^2 mailboxes processed, 3 messages converted, 0 duplicates skipped, 0 errors" "$tp/$format-$i.log" ||
                { echo "MISMATCH: typed $format $i: $(grep 'mailboxes processed' "$tp/$format-$i.log")"; status=1; }
            python3 - "$tp/out/$format-$i" "$format" <<'PY' || status=1
import mailbox, os, sys
out, fmt = sys.argv[1], sys.argv[2]
found = sorted(os.path.relpath(os.path.join(d, f), out) for d, _, fs in os.walk(out) for f in fs)
boxes = ["r/ln3/a.mbox", "r/ln3/Почта/Входящие.mbox"]
if fmt == "EML":
    want = ["r/ln3/a.mbox/a.eml", "r/ln3/Почта/Входящие.mbox/w1.eml", "r/ln3/Почта/Входящие.mbox/w2.eml"]
    count = len(found)
else:
    want = sorted(boxes)
    # Python's mailbox splits on "From " after LF; a Mac target's CR breaks are made LF first.
    count = 0
    for f in found:
        data = open(os.path.join(out, f), "rb").read().replace(b"\r\n", b"\n").replace(b"\r", b"\n")
        tmp = os.path.join(out, "..", "count.mbox")
        open(tmp, "wb").write(data)
        count += len(mailbox.mbox(tmp))
        os.remove(tmp)
if found != sorted(want) or count != 3:
    print("MISMATCH: typed %s wrote %s (%d messages)" % (out, found, count))
    sys.exit(1)
PY
        done
    done
    echo "typed paths: $(ls "$tp"/*.log | wc -l) runs"
}

# --- A folder without rights (a section of its own) -------------------------
# As root Wine lists every folder; as a user without rights (nobody, in a
# Wine prefix of its own) a sub-folder of the searched tree that refuses
# listing must be one error with its row ("Folder cannot be opened: ...:
# Access denied"), its siblings converted. Skipped where no such user can
# run Wine.
unlisted_folder() {
    local nb=$work/unlisted
    if [ "$(id -u)" != 0 ] || ! id nobody >/dev/null 2>&1; then
        echo "unlisted folder: not run (needs root to become nobody)"
        return
    fi
    mkdir -p "$nb/src/open" "$nb/src/locked" "$nb/prefix"
    for box in box open/open locked/locked; do
        printf 'From a@b Mon Jan  5 10:00:00 2009\nSubject: %s\n\nbody\n\n' "${box##*/}" > "$nb/src/$box.mbox"
    done
    cp "$build/bench/convert.exe" "$nb/convert.exe"
    chown -R nobody:nogroup "$nb"
    chmod 000 "$nb/src/locked"
    local rc=0
    timeout 900 su -s /bin/bash nobody -c "export HOME=$nb WINEPREFIX=$nb/prefix WINEARCH=win32 WINEDEBUG=-all \
WINEDLLOVERRIDES='mscoree,mshtml='; wineboot -i >/dev/null 2>&1; wineserver -w; \
wine $nb/convert.exe '$(winpath "$nb/src")\\*.mbox' Mbox '$(winpath "$nb/out")\\' EML -s; \
r=\$?; wineserver -w; exit \$r" > "$nb.log" 2>&1 || rc=$?
    chmod 755 "$nb/src/locked"
    [ "$rc" = 124 ] && hangs=$((hangs + 1))
    grep -q "^Folder cannot be opened: .*locked: Access denied" "$nb.log" &&
        grep -q "^2 mailboxes processed, 2 messages converted, 0 duplicates skipped, 1 errors" "$nb.log" ||
        { echo "MISMATCH: a folder without rights"; cat "$nb.log"; status=1; }
    echo "unlisted folder: exit code $rc"
}

# Every file outside the targets, with its checksum: a source changed or a
# file written outside the targets shows up in the difference.
sources() { python3 - "$work" <<'PY'
import hashlib, os, sys
work = sys.argv[1]
for top, dirs, files in os.walk(work):
    dirs[:] = [d for d in dirs if not (top == work and d.startswith("out"))]
    for f in files:
        path = os.path.join(top, f)
        if not f.endswith(".log") and not os.path.islink(path):
            h = hashlib.sha1()
            with open(path, "rb") as src:
                for block in iter(lambda: src.read(1 << 20), b""):
                    h.update(block)
            print(h.hexdigest() + "\t" + os.path.relpath(path, work))
PY
}
# --- What a message may name (a section of its own) -----------------------
# The canary found raw or in any decoded part of any output file.
carries() {  # folder, mark (the canary when none)
    python3 - "$1" "${2:-CANARY-7f3a}" <<'PY'
import email, mailbox, os, sys
mark = sys.argv[2].encode()
def decoded(msg):
    return any(mark in (p.get_payload(decode=True) or b"") for p in msg.walk())
for top, _, files in os.walk(sys.argv[1]):
    for f in files:
        path = os.path.join(top, f)
        data = open(path, "rb").read()
        msgs = list(mailbox.mbox(path)) if data.startswith(b"From ") else [email.message_from_bytes(data)]
        if mark in data or any(decoded(m) for m in msgs):
            sys.exit(0)
sys.exit(1)
PY
}
# Received mail by every sign of arrival, an Eudora In mailbox with none,
# relative names and the store's own files on the Mozilla road, links and a
# pipe inside the attachments folder, and a copy written here that names
# devices. The canary must reach no output, every refused name gets one
# row whether its file exists or not, and nothing hangs.
trust_setup() {
    local t=$work/roads/trust
    mkdir -p "$t/signs" "$t/devices" "$t/eudora/Attach" "$t/tb/Local Folders"
    python3 - "$work" <<'PY'
import os, sys
work = sys.argv[1]
t = os.path.join(work, "roads", "trust")
win = lambda p: "Z:" + p.replace("/", "\\")
canary, gone = win(os.path.join(work, "canary.txt")), win(os.path.join(work, "gone.txt"))
signs = ["Return-Path: <eve@example.net>\nList-Id: <l.example.net>\n", "X-Received: by 10.0.0.1\n",
         "Received : from evil.example.net\n", "delivered-to: me@example.com\n", "ARC-Seal: i=1\n",
         "Authentication-Results: mx.example.com; spf=pass\n", "X-Original-To: me@example.com\n",
         "Envelope-To: me@example.com\n"]
with open(os.path.join(t, "signs", "box"), "w") as f:
    for i, sign in enumerate(signs):
        f.write("From eve@example.net Mon Jan  5 10:00:00 2009\n" + sign + "From: eve@example.net\nSubject: sign %d\n"
                "X-Attachments: %s; %s\nContent-Type: text/plain\n\nGive.\n\n" % (i, canary, gone))
open(os.path.join(t, "devices", "box"), "w").write(
    "From me@example.com Mon Jan  5 10:00:00 2009\nFrom: me@example.com\nSubject: devices\n"
    "X-Attachments: Z:\\dev\\zero; Z:\\dev\\urandom\nContent-Type: text/plain\n\nMine.\n\n")
attach = win(os.path.join(t, "eudora", "Attach"))
markers = "".join("Attachment Converted: %s\r\n" % p for p in
                  (attach + "\\link.txt", attach + "\\dirlink\\canary.txt", attach + "\\fifo", canary, gone))
open(os.path.join(t, "eudora", "In.mbx"), "wb").write(
    ("From ???@??? Mon Jan  5 10:00:00 2009\r\nSubject: fields\r\nX-Attachments: %s\r\n\r\nFields.\r\n"
     "From ???@??? Mon Jan  5 10:00:00 2009\r\nSubject: markers\r\n"
     "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\nMarkers.\r\n%s" % (canary, markers)).encode())
lf = os.path.join(t, "tb", "Local Folders")
open(os.path.join(lf, "Sent"), "w").write("From - Mon Jan  5 10:00:00 2009\nSubject: mine\n\nCANARY-7f3a sent\n")
open(os.path.join(t, "tb", "canary.txt"), "w").write("CANARY-7f3a beside the store\n")
open(os.path.join(lf, "prefs.js"), "w").write("// CANARY-7f3a settings\n")
open(os.path.join(lf, "Inbox.msf"), "w").write("index CANARY-7f3a")
url = lambda name: "file:///" + win(os.path.join(lf, name)).replace("\\", "/")
part = lambda fields: "--b1\nContent-Type: text/plain; name=\"n.txt\"\n" + fields + "\n\n"
detached = lambda name: part("Content-Disposition: attachment; filename=\"n.txt\"\nX-Mozilla-External-Attachment-URL: " +
                             url(name) + "\nX-Mozilla-Altered: AttachmentDetached\n\nContent-Type: text/plain\n")
open(os.path.join(lf, "Inbox"), "w").write(
    "From - Mon Jan  5 10:00:00 2009\nReceived: from evil.example.net\nFrom: eve@example.net\nSubject: names\n"
    "Content-Type: multipart/mixed; boundary=\"b1\"\n\n" + part("X-Content-File: Sent\n") +
    part("X-Content-File: a\\..\\..\\canary.txt\n") +
    "--b1\nContent-Type: message/external-body; access-type=local-file; name=\"Sent\"\n\n"
    "Content-Type: text/plain\n\n" + detached("Sent") + detached("Inbox.msf") + detached("prefs.js") + "--b1--\n\n")
PY
    ln -s "$work/canary.txt" "$t/eudora/Attach/link.txt"
    ln -s "$work" "$t/eudora/Attach/dirlink"
}
trust_runs() {
    local t=$work/roads/trust trust_canaries=0 road src out errlog
    # The pipe exists only while the runs read; a reader that opened it
    # would wait for a writer that never comes.
    mkfifo "$t/eudora/Attach/fifo"
    for road in "signs/box Mbox" "devices/box Mbox" "eudora/In.mbx Eudora.mbx" "tb/Local Folders/Inbox.msf Thunderbird"; do
        src=${road% *}
        for target in EML Txt Mbox_Win; do
            out="$work/out-trust-${src%%/*}-$target"
            mkdir -p "$out"
            run "trust-${src%%/*}-$target" "$(winpath "$t/$src")" "${road##* }" "$(winpath "$out")\\" "$target"
            if carries "$out"; then
                echo "CANARY in the output of trust road ${src%%/*} to $target"
                trust_canaries=$((trust_canaries + 1))
            fi
        done
        errlog=$(sed -n 's/^Error log: //p' "$work/trust-${src%%/*}-EML.log" | tr -d '\r')
        errlog=$("$root/scripts/wine-run.sh" winepath -u "$errlog" 2>/dev/null)
        # A missing file outside the store is refused as an existing one is.
        if grep -q "gone.txt" "$errlog" && ! grep -q '^Attachment file refused: "[^"]*gone.txt"' "$errlog"; then
            echo "MISMATCH: a missing file outside the store is not refused on ${src%%/*}"; status=1
        fi
    done
    rm -f "$t/eudora/Attach/fifo"
    echo "canary file in any output of the trust roads: $trust_canaries times"
    [ "$trust_canaries" = 0 ] || status=1
}
trust_setup
# --- end of the section -----------------------------------------------------
# --- What received mail may still name (a section of its own) --------------
# Pieces the reader splits off received mail at a quoted separator line, in
# every form, on every road whose separator lines give the bounds; an mbox
# output converted again; a mail profile's files and its stores of
# passwords and keys; files whose heads read as a mailbox; a file of two
# names. Every check reads the error log the run names.
names_setup() {
    local n=$work/roads/names
    mkdir -p "$n/pieces" "$n/again" "$n/profile/Roaming/Profiles/x1.default/Mail/Local Folders" "$n/desk" "$n/tb"
    python3 - "$work" <<'PY'
import os, sys
work = sys.argv[1]
n = os.path.join(work, "roads", "names")
win = lambda p: "Z:" + p.replace("/", "\\")
canary = win(os.path.join(work, "canary.txt"))
recv = "Received: from mx.example.net by mx.example.com; Mon, 5 Jan 2009 10:00:00 +0000\n"
# One mailbox a road: six received messages, each quoting a piece that
# names the canary as the road reads names; the first piece stands ahead of
# every received message.
roads = {"mbox": ("From eve@example.net Mon Jan  5 10:00:00 2009", "\n"),
         "pine": ("From eve@example.net Mon Jan  5 10:00:00 2009", "\r\n"),
         "tb": ("From - Mon Jan  5 10:00:00 2009", "\n"),
         "eudora": ("From ???@??? Mon Jan  5 10:00:00 2009", "\r\n"),
         "mac": ("From ???@??? Mon Jan  5 10:00:00 2009", "\r")}
for road, (sep, brk) in roads.items():
    if road == "tb":
        names = ("Content-Type: multipart/mixed; boundary=\"t1\"\n\n--t1\nContent-Type: message/external-body; "
                 "access-type=local-file; name=\"../../../../canary.txt\"\n\nContent-Type: text/plain\n\n\n--t1--\n")
    elif road in ("eudora", "mac"):
        names = "Content-Type: multipart/mixed; boundary=\"e1\"\n\nTake.\nAttachment Converted: %s\n" % canary
    else:
        names = "X-Attachments: %s\n\nTake.\n" % canary
    piece = (sep if road in ("eudora", "mac") else "From eve@example.net Tue Feb  3 10:00:00 2015") + \
        "\nFrom: eve@example.net\nSubject: injected\n" + names
    got = lambda s, fields, body: sep + "\n" + recv + "From: eve@example.net\nSubject: " + s + "\n" + fields + "\n" + body
    quote = "Hi, a quoted mailbox follows.\n"
    msgs = [piece, got("blank", "", quote + "\n" + piece), got("close", "", quote + piece),
            got("length", "Content-Length: %d\n" % len(quote + piece), quote + piece),
            got("digest", "Content-Type: multipart/digest; boundary=\"d1\"\n", "--d1\n\n" + piece + "\n--d1--\n"),
            got("forward", "Content-Type: multipart/mixed; boundary=\"f1\"\n",
                "--f1\nContent-Type: text/plain\n\nBelow.\n--f1\nContent-Type: message/rfc822\n\n" + piece + "\n--f1--\n")]
    name = {"tb": "Inbox", "eudora": "Friends.mbx", "mac": "Friends"}.get(road, "box")
    folder = os.path.join(n, "pieces", road)
    os.makedirs(folder, exist_ok=True)
    open(os.path.join(folder, name), "wb").write("".join(m + "\n" for m in msgs).replace("\n", brk).encode())
    if road == "tb":
        open(os.path.join(folder, "Inbox.msf"), "w").write("index")
# An Eudora In message shows no trace of its own; its copy keeps the line.
from eudora_toc import toc
m = ("From ???@??? Mon Jan  5 10:00:00 2009\nFrom: eve@example.net\nSubject: kept\nX-Attachments: %s\n\nF.\n"
     % canary).replace("\n", "\r\n").encode()
open(os.path.join(n, "again", "In.mbx"), "wb").write(m)
open(os.path.join(n, "again", "In.toc"), "wb").write(toc([(0, len(m))]))
# A profile with its stores, files of an ordinary folder that read as a
# mailbox or have two names, and one the user detached there.
prof = os.path.join(n, "profile", "Roaming", "Profiles", "x1.default")
open(os.path.join(prof, "prefs.js"), "w").write("// settings\n")
for f in ("logins.json", "key4.db", "cert9.db", "signons.sqlite", "notes.txt"):
    open(os.path.join(prof, f), "w").write("CANARY-7f3a " + f + "\n")
desk = os.path.join(n, "desk")
heads = {"bom.txt": b"\xef\xbb\xbfFrom a@b Mon Jan  5 10:00:00 2009\r\n", "empty.txt": b"\r\nFrom a@b Mon Jan  5 10:00:00 2009\r\n",
         "blank.txt": b" \nFrom a@b Mon Jan  5 10:00:00 2009\n", "fromx.txt": b"From x\n",
         "logins.json": b"", "linked.txt": b""}
for f, head in heads.items():
    open(os.path.join(desk, f), "wb").write(head + b"CANARY-7f3a " + f.encode() + b"\n")
os.link(os.path.join(desk, "linked.txt"), os.path.join(desk, "other-name.txt"))
open(os.path.join(desk, "mine.txt"), "w").write("LEGIT-4c1d detached by the user\n")
url = lambda p: "file:///" + win(p).replace("\\", "/")
part = lambda p: ("--b1\nContent-Type: text/plain; name=\"n.txt\"\nContent-Disposition: attachment; filename=\"n.txt\"\n"
                  "X-Mozilla-External-Attachment-URL: " + url(p) + "\nX-Mozilla-Altered: AttachmentDetached\n\n"
                  "Content-Type: text/plain\n\n")
refs = [os.path.join(prof, f) for f in ("logins.json", "key4.db", "cert9.db", "signons.sqlite", "notes.txt")] + \
       [os.path.join(desk, f) for f in heads] + [os.path.join(desk, "mine.txt")]
open(os.path.join(n, "tb", "Inbox"), "w").write(
    "From - Mon Jan  5 10:00:00 2009\n" + recv + "From: eve@example.net\nSubject: detached\n"
    "X-Mozilla-Altered: AttachmentDetached\nContent-Type: multipart/mixed; boundary=\"b1\"\n\n--b1\n"
    "Content-Type: text/plain\n\nNotes.\n" + "".join(part(p) for p in refs) + "--b1--\n\n")
open(os.path.join(n, "tb", "Inbox.msf"), "w").write("index")
PY
}
# The rows of a run's error log that say Text (a fixed string) at their start.
rows() {  # run name, text
    local errlog
    errlog=$(sed -n 's/^Error log: //p' "$work/$1.log" | tr -d '\r')
    [ -n "$errlog" ] || { echo 0; return; }
    errlog=$("$root/scripts/wine-run.sh" winepath -u "$errlog" 2>/dev/null)
    tail -n +2 "$errlog" | grep -cF -- "$2" | tr -d '\n' || true
}
names_runs() {
    local n=$work/roads/names names_canaries=0 road src out want got canary
    canary="Attachment file refused: \"$(winpath "$work/canary.txt")\""
    for road in "mbox/box Mbox" "pine/box 11" "tb/Inbox.msf Thunderbird" "eudora/Friends.mbx Eudora.mbx" "mac/Friends 9"; do
        src=${road% *}
        for target in EML Txt Mbox_Win Mbox_Unix Mbox_Mac; do
            out="$work/out-names-${src%%/*}-$target"
            mkdir -p "$out"
            run "names-${src%%/*}-$target" "$(winpath "$n/pieces/$src")" "${road##* }" "$(winpath "$out")\\" "$target"
            carries "$out" && { echo "CANARY in the output of the pieces on ${src%%/*} to $target"; names_canaries=$((names_canaries + 1)); }
            got=$(rows "names-${src%%/*}-$target" "$canary")
            [ "$got" = 6 ] || { echo "MISMATCH: $got rows, not 6, refuse the pieces on ${src%%/*} to $target"; status=1; }
        done
    done
    # The first run refuses the line and keeps it; the second, over its
    # output, refuses it again.
    for target in Mbox_Win Mbox_Unix Mbox_Mac; do
        out="$work/out-names-again-$target"
        mkdir -p "$out" "$out-2"
        run "names-again-$target" "$(winpath "$n/again/In.toc")" Eudora.toc "$(winpath "$out")\\" "$target"
        run "names-again2-$target" "$(winpath "$(find "$out" -type f | head -n 1)")" Mbox "$(winpath "$out-2")\\" EML
        carries "$out-2" && { echo "CANARY in the output converted again from $target"; names_canaries=$((names_canaries + 1)); }
        for r in "names-again-$target" "names-again2-$target"; do
            got=$(rows "$r" "$canary")
            [ "$got" = 1 ] || { echo "MISMATCH: $got rows, not 1, refuse the kept line in $r"; status=1; }
        done
    done
    out="$work/out-names-detached"
    mkdir -p "$out"
    run names-detached "$(winpath "$n/tb/Inbox.msf")" Thunderbird "$(winpath "$out")\\" EML
    carries "$out" && { echo "CANARY in the output of the profile's and odd files"; names_canaries=$((names_canaries + 1)); }
    for want in profile/Roaming/Profiles/x1.default/{logins.json,key4.db,cert9.db,signons.sqlite,notes.txt} \
        desk/{bom.txt,empty.txt,blank.txt,fromx.txt,logins.json,linked.txt}; do
        got=$(rows names-detached "Attachment file refused: \"$(winpath "$n/$want")\"")
        [ "$got" = 1 ] || { echo "MISMATCH: $got rows, not 1, refuse $want"; status=1; }
    done
    carries "$out" LEGIT-4c1d || { echo "MISSING: the file the user detached into an ordinary folder"; status=1; }
    echo "canary file in any output of the names section: $names_canaries times"
    [ "$names_canaries" = 0 ] || status=1
}
# --- end of the section -----------------------------------------------------
# --- Mbox copies read back as their sources (a section of its own) ----------
# Eudora stores (index, data file without it, Mac) whose bodies hold lines
# that start "From " (a sentence, a quoted mailbox, the body's first line,
# one after a bare CR, lines at each 64 KiB edge of a message larger than
# the reader's window), an mbox as the control, and mailboxes that end
# inside a separator line, into every mbox target. Python's mailbox must
# count in each written mbox the messages the run says it converted, and
# those are the source's. An Eudora In message that quotes a mailbox naming
# the canary stays one message, and names nothing, when its copy is
# converted again.
copies_setup() {
    local c=$work/roads/copies
    mkdir -p "$c/toc" "$c/mbx" "$c/mac" "$c/mbox" "$c/cut" "$c/again"
    python3 - "$c" "$work" <<'PY'
import os, sys
from eudora_toc import toc
c, work = sys.argv[1], sys.argv[2]
def msg(subject, body, brk):
    return ("From ???@??? Mon Jan  5 10:00:00 2009\nFrom: Eve <eve@example.com>\nSubject: " + subject +
            "\nContent-Type: text/plain\n\n" + body).replace("\n", brk)
bodies = ["From what I hear, all is well.\nBye.\n",
          "Bounced:\n\nFrom bob@example.com Mon Jan  1 08:00:00 2001\nSubject: older\nContent-Type: text/plain\n\nold\n",
          "From the start to the end.\n", "One\rFrom a bare CR on.\n"]
def texts(brk):
    # The first body starts at offset 1024 with lines of 64 bytes: every
    # 1024th line starts at a 64 KiB edge of the file.
    head = msg("edges", "", brk)
    pad = 1024 - len(head) - len("X-Pad: ") - len(brk)
    head = head[:-len(brk)] + "X-Pad: " + "p" * pad + brk + brk
    lines = []
    for n in range(7 * 1024):
        start = "From edge " if n % 1024 == 1008 else "filler "
        lines.append(start + "x" * (64 - len(start) - len(brk)) + brk)
    return [head + "".join(lines)] + [msg("note %d" % i, b, brk) for i, b in enumerate(bodies)]
def write(path, data):
    open(path, "wb").write(data.encode())
t = texts("\r\n")
write(os.path.join(c, "toc", "Friends.mbx"), "".join(m + "\r\n" for m in t))
at, entries = 0, []
for m in t:
    entries.append((at, len(m)))
    at += len(m) + 2
open(os.path.join(c, "toc", "Friends.toc"), "wb").write(toc(entries))
write(os.path.join(c, "mbx", "Friends.mbx"), "".join(m + "\r\n" for m in t))
write(os.path.join(c, "mac", "Friends"), "".join(m + "\r" for m in texts("\r")))
write(os.path.join(c, "mbox", "box"), "".join(m + "\n" for m in texts("\n")[:-1]))
two = "".join("From a@b Mon Jan  5 10:00:00 2009\nFrom: a@b\nSubject: cut %d\n\nbody\n\n" % i for i in (1, 2))
write(os.path.join(c, "cut", "sender"), two + "From u3@exam")
write(os.path.join(c, "cut", "date"), two + "From u3@example.com Mon Ja")
# An Eudora In message without a trace of its own quotes a mailbox whose
# message names the canary: the copy, converted again, is that one message.
canary = "Z:" + os.path.join(work, "canary.txt").replace("/", "\\")
m = ("From ???@??? Mon Jan  5 10:00:00 2009\nFrom: eve@example.net\nSubject: quoted\n\nLook:\n\n"
     "From eve@example.net Tue Feb  3 10:00:00 2015\nFrom: eve@example.net\nSubject: injected\n"
     "X-Attachments: %s\n\nTake.\n" % canary).replace("\n", "\r\n")
write(os.path.join(c, "again", "In.mbx"), m)
open(os.path.join(c, "again", "In.toc"), "wb").write(toc([(0, len(m))]))
PY
}
# The messages of an mbox as Python's mailbox reads them; a file of CR
# breaks is read with its breaks made LF, as its reader must know them.
pycount() {  # file
    python3 - "$1" <<'PY'
import mailbox, os, sys, tempfile
data = open(sys.argv[1], "rb").read()
if b"\n" not in data:
    data = data.replace(b"\r", b"\n")
with tempfile.NamedTemporaryFile(delete=False) as f:
    f.write(data)
print(len(mailbox.mbox(f.name)))
os.unlink(f.name)
PY
}
copies_runs() {
    local c=$work/roads/copies road src want py out file got converted name
    # Source, its format, its messages as the program reads them and as
    # Python's mailbox must read the copy: "=" as it reads the source, for
    # the mbox whose bytes the copy keeps.
    for road in "toc/Friends.toc Eudora.toc 5 5" "mbx/Friends.mbx Eudora.mbx 6 6" "mac/Friends 9 6 6" \
        "mbox/box Mbox 5 =" "cut/sender Mbox 2 2" "cut/date Mbox 2 2"; do
        set -- $road
        src=$1; want=$3; py=$4
        [ "$py" = "=" ] && py=$(pycount "$c/$src")
        for target in Mbox_Win Mbox_Unix Mbox_Mac; do
            name="copies-${src//\//-}-$target"
            out="$work/out-$name"
            mkdir -p "$out"
            run "$name" "$(winpath "$c/$src")" "$2" "$(winpath "$out")\\" "$target"
            converted=$(count "$work/$name.log" 'messages converted')
            file=$(find "$out" -type f | head -n 1)
            got=$(pycount "$file")
            echo "copies: $src to $target: $converted converted of $want, Python's mailbox counts $got of $py"
            [ "$converted" = "$want" ] && [ "$got" = "$py" ] ||
                { echo "MISMATCH: the mbox copy of $src to $target"; status=1; }
            case $src in cut/*)
                [ "$(rows "$name" "Mailbox ends inside a separator line at offset")" = 1 ] ||
                    { echo "MISSING: the row of the separator line cut short in $src"; status=1; } ;;
            esac
        done
    done
    for target in Mbox_Win Mbox_Unix Mbox_Mac; do
        name="copies-again-$target"
        mkdir -p "$work/out-$name" "$work/out-$name-2"
        run "$name" "$(winpath "$c/again/In.toc")" Eudora.toc "$(winpath "$work/out-$name")\\" "$target"
        file=$(find "$work/out-$name" -type f | head -n 1)
        run "$name-2" "$(winpath "$file")" Mbox "$(winpath "$work/out-$name-2")\\" EML
        carries "$work/out-$name-2" && { echo "CANARY in the copy to $target converted again"; status=1; }
        [ "$(count "$work/$name-2.log" 'messages converted')" = 1 ] ||
            { echo "MISMATCH: the copy to $target converted again is not one message"; status=1; }
    done
}
# --- end of the section -----------------------------------------------------
copies_setup
names_setup
# --- A name removed while the judge holds it (a section of its own) --------
# 400 received Eudora messages name one file of the attachments folder while
# another program makes that name a second name of the canary and removes
# it again, as fast as it can: the judge may open the file while it has two
# names and see one once the name is gone. No output may hold the canary.
race_setup() {
    mkdir -p "$work/roads/race/Attach"
    python3 - "$work" <<'PY'
import os, sys
from eudora_toc import toc
race = os.path.join(sys.argv[1], "roads", "race")
report = "Z:" + os.path.join(race, "Attach", "report.txt").replace("/", "\\")
data, entries = b"", []
for i in range(400):
    m = ("From ???@??? Mon Jan  5 10:00:00 2009\r\nFrom: eve@example.net\r\nSubject: race %d\r\n"
         "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\nR.\r\nAttachment Converted: %s\r\n" % (i, report)).encode()
    entries.append((len(data), len(m)))
    data += m
open(os.path.join(race, "In.mbx"), "wb").write(data)
open(os.path.join(race, "In.toc"), "wb").write(toc(entries))
PY
}
race_runs() {
    local race=$work/roads/race out=$work/out-race linker rc=0 held
    mkdir -p "$out"
    ( while :; do ln -f "$work/canary.txt" "$race/Attach/report.txt" 2>/dev/null; rm -f "$race/Attach/report.txt"; done ) &
    linker=$!
    timeout 900 "$root/scripts/wine-run.sh" "$build/bench/convert.exe" "$(winpath "$race/In.toc")" Eudora.toc \
        "$(winpath "$out")\\" EML > "$work/race.log" 2>&1 || rc=$?
    kill "$linker"
    wait "$linker" 2>/dev/null || true
    rm -f "$race/Attach/report.txt"
    echo "== race: exit code $rc"
    if [ "$rc" = 124 ]; then hangs=$((hangs + 1)); elif [ "$rc" != 0 ]; then crashes=$((crashes + 1)); status=1; fi
    held=$(python3 - "$out" <<'PY'
import email, os, sys
def decoded(msg):
    return any(b"CANARY-7f3a" in (p.get_payload(decode=True) or b"") for p in msg.walk())
files = [os.path.join(sys.argv[1], f) for f in os.listdir(sys.argv[1])]
held = sum(1 for f in files if b"CANARY-7f3a" in open(f, "rb").read() or decoded(email.message_from_bytes(open(f, "rb").read())))
print("%d %d" % (held, len(files)))
PY
)
    echo "outputs holding the canary while its name was linked and removed: ${held% *} of ${held#* }"
    [ "${held% *}" = 0 ] && [ "${held#* }" = 400 ] || status=1
}
race_setup
# --- end of the section -----------------------------------------------------
sources > "$work/before.sums.log"
count() {  # log, what ("duplicates skipped"...)
    grep -oE "[0-9]+ $2" "$1" | grep -oE '^[0-9]+'
}
lf="$(winpath "$work/tree/Local Folders")"
run tree "$lf\\*.msf" Thunderbird "$(winpath "$work/out")\\" EML -s
check "$work/tree.log" "$work/out"
run restored "$lf\\*.msf" Thunderbird "$(winpath "$work/out-tree")\\" EML -s -r
check "$work/restored.log" "$work/out-tree"
run digest "$lf\\*.msf" Thunderbird "$(winpath "$work/out-md5")\\" EML -s -m
check "$work/digest.log" "$work/out-md5"
run digest-again "$lf\\*.msf" Thunderbird "$(winpath "$work/out-md5")\\" EML -s -m
[ "$(count "$work/digest-again.log" 'messages converted')" = 0 ] &&
  [ "$(count "$work/digest-again.log" 'duplicates skipped')" = "$(count "$work/digest.log" 'messages converted')" ] ||
  { echo "MISMATCH: the second digest run must only skip duplicates"; status=1; }
run not-a-mailbox "$(winpath "$work/eudora/notes.txt")" Mbox "$(winpath "$work/out-none")\\" EML
[ "$(count "$work/not-a-mailbox.log" errors)" = 1 ] || { echo "MISMATCH: a rejected source is one error"; status=1; }
# The error log at a folder: said once, the rows go to the default log.
mkdir -p "$work/out-logdir"
run logdir "$(winpath "$work/eudora/notes.txt")" Mbox "$(winpath "$work/out-none")\\" EML \
    "-errorlog=$(winpath "$work/out-logdir")"
grep -q "^Error log cannot be written: .*: it is a folder; its rows go to " "$work/logdir.log" ||
  { echo "MISMATCH: an error log at a folder is not reported"; status=1; }
run eudora "$(winpath "$work/eudora/In.toc")" Eudora.toc "$(winpath "$work/out-eudora")\\" EML
check "$work/eudora.log" "$work/out-eudora"
canaries=0
for road in "mbox/box Mbox" "pine/box 11" "eudora/In.toc Eudora.toc" "tb/Local Folders/Inbox.msf Thunderbird"; do
    src=${road% *}
    for target in EML Txt Mbox_Win; do
        out="$work/out-canary-${src%%/*}-$target"
        mkdir -p "$out"
        run "canary-${src%%/*}-$target" "$(winpath "$work/roads/$src")" "${road##* }" "$(winpath "$out")\\" "$target"
        if carries "$out"; then
            echo "CANARY in the output of ${src%%/*} to $target"
            canaries=$((canaries + 1))
        fi
    done
done
echo "canary file in any output: $canaries times"
[ "$canaries" = 0 ] || status=1
trust_runs
names_runs
race_runs
copies_runs
run eudora-odd "$(winpath "$work/eudora-odd/In.toc")" Eudora.toc "$(winpath "$work/out-eudora-odd")\\" EML
check "$work/eudora-odd.log" "$work/out-eudora-odd"
run eudora-mac "$(winpath "$work/eudora-mac/In.toc")" Eudora.toc "$(winpath "$work/out-eudora-mac")\\" EML
grep -q "not in the Windows form" "$work/eudora-mac.log" || { echo "MISSING: the Macintosh index's reason"; status=1; }

sources > "$work/after.sums.log"
changed=$(join -t $'\t' -1 2 -2 2 <(sort -t $'\t' -k2 "$work/before.sums.log") \
    <(sort -t $'\t' -k2 "$work/after.sums.log") | awk -F '\t' '$2 != $3' | wc -l)
outside=$(comm -13 <(cut -f2 "$work/before.sums.log" | sort) <(cut -f2 "$work/after.sums.log" | sort) | wc -l)
echo "crashes: $crashes, hangs: $hangs, writes outside the target: $outside, sources changed: $changed"
[ "$crashes$hangs$outside$changed" = 0000 ] || status=1

# --- Every mailbox accounted for: files meant as mailboxes that are none,
# device-named targets, sources that change during the run, damaged Eudora
# indexes, error logs that cannot take rows. Each run is checked for its
# exit code, its line and its count of errors.
acc=$work/accounted
mkdir -p "$acc/tree" "$acc/nodata" "$acc/noindex" "$acc/eudora"
python3 - "$acc" <<'PY'
import os, sys
acc = sys.argv[1]
msg = lambda s: b"From a@b Mon Jan  5 10:00:00 2009\nFrom: a@b\nSubject: " + s + b"\n\nbody\n\n"
for name, data in (("Inbox", msg(b"one")), ("Notes", b"not a mailbox\n"), ("Empty", b"")):
    open(os.path.join(acc, "tree", name), "wb").write(data)
for name in ("Inbox", "Notes", "Empty", "Pipe"):
    open(os.path.join(acc, "tree", name + ".msf"), "wb").write(b"index")
from eudora_toc import toc
eud = [b"From ???@??? Mon Jan  1 10:00:00 2001\r\nSubject: e%d\r\n\r\nbody\r\n" % i for i in range(3)]
open(os.path.join(acc, "nodata", "In.toc"), "wb").write(toc([(0, len(eud[0]))]))
open(os.path.join(acc, "nodata", "In.mbx"), "wb").write(b"")
open(os.path.join(acc, "noindex", "In.toc"), "wb").write(b"")
open(os.path.join(acc, "noindex", "In.mbx"), "wb").write(eud[0])
# One entry 3 bytes into the next message, then the first range 50 times.
a, b = len(eud[0]), len(eud[1])
open(os.path.join(acc, "eudora", "In.toc"), "wb").write(
    toc([(0, a + 3), (a, b), (a + b, len(eud[2]))] + [(a, b)] * 50))
open(os.path.join(acc, "eudora", "In.mbx"), "wb").write(b"".join(eud))
# A mailbox large enough to be changed while it is read.
with open(os.path.join(acc, "changing"), "wb") as f:
    for i in range(3000):
        f.write(b"From a@b Mon Jan  5 10:00:00 2009\nSubject: m%d\n\n" % i + b"x" * 10000 + b"\n\n")
PY
mkfifo "$acc/tree/Pipe" "$acc/fifo" "$acc/fifo.txt"
expect() {  # name, exit code, line pattern, errors or "-", args...
    local name=$1 want=$2 pattern=$3 errors=$4; shift 4
    local log=$acc/$name.log rc=0
    timeout 900 "$root/scripts/wine-run.sh" "$build/bench/convert.exe" "$@" > "$log" 2>&1 || rc=$?
    echo "== $name: exit code $rc"
    [ "$rc" = 124 ] && hangs=$((hangs + 1))
    [ "$rc" = "$want" ] || { echo "MISMATCH: $name exits with $rc, not $want"; status=1; }
    grep -qE "$pattern" "$log" || { echo "MISSING in $name: $pattern"; status=1; }
    [ "$errors" = - ] || [ "$(count "$log" errors)" = "$errors" ] ||
      { echo "MISMATCH: $name counts $(count "$log" errors) errors, not $errors"; status=1; }
}
out=$(winpath "$acc/out")
expect search 0 "^File is not a valid mailbox" 2 "$(winpath "$acc/tree")\\*.msf" Thunderbird "$out\\" EML
grep -q "^Mailbox cannot be read: it is a device, not a file" "$acc/search.log" ||
  { echo "MISSING: the FIFO in the search"; status=1; }
expect fifo-source 0 "^Mailbox cannot be read: it is a device, not a file" 1 "$(winpath "$acc/fifo")" Mbox "$out\\" EML
expect eudora-nodata 0 "^Mailbox data file is empty, but its index lists messages" 1 \
    "$(winpath "$acc/nodata/In.toc")" Eudora.toc "$out-nodata\\" EML
expect eudora-noindex 0 "^Index file is empty" 1 "$(winpath "$acc/noindex/In.toc")" Eudora.toc "$out-noindex\\" EML
for target in nul.mbox NUL. NUL aux.mbox com1.txt CONOUT\$; do
    expect "device-$target" 1 "is a device name" - "$(winpath "$acc/tree/Inbox")" Mbox "$out-devices\\$target" Mbox_Win
done
expect eudora-damaged 0 "3 messages converted" 51 "$(winpath "$acc/eudora/In.toc")" Eudora.toc "$out-eudora\\" EML
[ "$(find "$acc/out-eudora" -type f | wc -l)" = 3 ] || { echo "MISMATCH: the damaged index's files"; status=1; }
for log in "$(winpath "$acc")\\*.txt" 'Z:\dev\full' "$(winpath "$acc/fifo.txt")"; do
    expect "errorlog-${log##*\\}" 0 "^Error log cannot be written: " 0 "$(winpath "$acc/tree/Inbox")" Mbox \
        "$out-log\\" EML "-errorlog=$log"
done
# Cut to half, then grown, while the run reads: one error each, no message
# file cut short.
for change in cut grow; do
    rm -rf "$acc/out-$change"
    cp "$acc/changing" "$acc/box-$change"
    ( sleep 1; if [ $change = cut ]; then truncate -s 15000000 "$acc/box-$change";
      else printf 'From a@b Mon Jan  5 10:00:00 2009\n\nadded\n\nFrom a@b Mon Jan  5 10:00:00 2009\n\nadded\n\n' >> "$acc/box-$change"; fi ) &
    expect "change-$change" 0 "^Mailbox (cut|changed) during the run" 1 "$(winpath "$acc/box-$change")" Mbox "$out-$change\\" EML
    wait
    grep -q "Message has no text" "$acc/change-$change.log" && { echo "MISMATCH: a second error for the change"; status=1; }
    check "$acc/change-$change.log" "$acc/out-$change"
    find "$acc/out-$change" -type f -size -10000c | grep -q . && { echo "MISMATCH: a message file cut short"; status=1; }
done
echo "hangs after the accounting runs: $hangs"

# --- One event, one row (a section of its own) -----------------------------
# Each event that is no conversion is one row where it is written, the error
# log, and one error: a Mozilla pattern naming the mailbox files (only the
# mailbox it leaves out is skipped), a source cut to nothing while the run
# reads it, an error log naming a mailbox of the run, a missing Eudora index
# named by hand, two index entries with one start, and device names with
# superscript digits.
one=$work/one-row
mkdir -p "$one/tb" "$one/lost" "$one/eudora" "$one/devices"
python3 - "$one" <<'PY'
import os, sys
one = sys.argv[1]
msg = lambda s: b"From a@b Mon Jan  5 10:00:00 2009\nFrom: a@b\nSubject: " + s + b"\n\nbody\n\n"
for name, subject in (("Work.mbox", b"work"), ("Old.mbox", b"old"), ("Orphan", b"orphan")):
    open(os.path.join(one, "tb", name), "wb").write(msg(subject))
eud = [b"From ???@??? Mon Jan  1 10:00:00 2001\r\nSubject: e%d\r\n\r\nbody\r\n" % i for i in range(3)]
open(os.path.join(one, "lost", "In.mbx"), "wb").write(eud[0])
from eudora_toc import toc
a, b = len(eud[0]), len(eud[1])
open(os.path.join(one, "eudora", "In.toc"), "wb").write(toc([(0, a), (a, b), (0, a + b), (a + b, len(eud[2]))]))
open(os.path.join(one, "eudora", "In.mbx"), "wb").write(b"".join(eud))
open(os.path.join(one, "devices", "box"), "wb").write(
    msg(b"=?UTF-8?Q?COM=C2=B9?=") + msg(b"=?UTF-8?Q?LPT=C2=B2?="))
open(os.path.join(one, "devices", "LPT\u00b3"), "wb").write(msg(b"port"))
with open(os.path.join(one, "cut"), "wb") as f:
    for i in range(3000):
        f.write(b"From a@b Mon Jan  5 10:00:00 2009\nSubject: m%d\n\n" % i + b"x" * 10000 + b"\n\n")
PY
# rows NAME: the error-log rows of run NAME (error, file), from the log it named.
rows() {
    local log
    log=$(sed -n 's/^Error log: //p' "$one/$1.log" | tr -d '\r')
    [ -n "$log" ] && tail -n +2 "$("$root/scripts/wine-run.sh" winepath -u "$log" 2>/dev/null)" | cut -f1-2 | tr -d '\r'
}
# row_check NAME PATTERN COUNT: COUNT rows of run NAME match PATTERN.
row_check() {
    local got
    got=$(rows "$1" | LC_ALL=C grep -cE "$2" || true)
    [ "$got" = "$3" ] || { echo "MISMATCH: $1 has $got rows like '$2', not $3"; rows "$1"; status=1; }
}
# one_run NAME ERRORS ARGS...: a run that exits 0 with ERRORS errors, into its own error log.
one_run() {
    local name=$1 errors=$2; shift 2
    local rc=0
    rm -f "$one/$name-errors.txt"
    timeout 900 "$root/scripts/wine-run.sh" "$build/bench/convert.exe" "$@" "-errorlog=$(winpath "$one/$name-errors.txt")" \
        > "$one/$name.log" 2>&1 || rc=$?
    echo "== $name: exit code $rc"
    [ "$rc" = 124 ] && hangs=$((hangs + 1))
    [ "$rc" = 0 ] || { echo "MISMATCH: $name exits with $rc"; status=1; }
    [ "$(count "$one/$name.log" errors)" = "$errors" ] ||
        { echo "MISMATCH: $name counts $(count "$one/$name.log" errors) errors, not $errors"; status=1; }
}
o=$(winpath "$one")
one_run pattern 1 "$o\\tb\\*.mbox" Thunderbird "$o\\out-pattern\\" EML
row_check pattern "^Mailbox without an index file skipped" 1
row_check pattern "Orphan$" 1
[ "$(find "$one/out-pattern" -type f | wc -l)" = 2 ] || { echo "MISMATCH: the pattern's mailboxes not converted"; status=1; }
one_run toc-missing 1 "$o\\lost\\In.toc" Eudora.toc "$o\\out-toc\\" EML
row_check toc-missing "^Mailbox not found	.*In\.toc$" 1
one_run toc-repeat 1 "$o\\eudora\\In.toc" Eudora.toc "$o\\out-repeat\\" EML
row_check toc-repeat "^Index entry 3 starts where an earlier entry starts" 1
[ "$(find "$one/out-repeat" -type f | wc -l)" = 3 ] || { echo "MISMATCH: a repeated entry written twice"; status=1; }
one_run devices 1 "$o\\devices\\*.*" Mbox "$o\\out-devices\\" EML
row_check devices "^Not searched: .*LPT.* \(a device name" 1
for name in "_COM¹.eml" "_LPT².eml"; do
    [ -f "$one/out-devices/$name" ] || { echo "MISMATCH: no $name"; ls "$one/out-devices"; status=1; }
done
# An error log naming a mailbox the search reads: said at the start, rows to
# the default log, the mailbox untouched.
cp "$one/tb/Orphan" "$one/orphan-before"
rc=0
timeout 900 "$root/scripts/wine-run.sh" "$build/bench/convert.exe" "$o\\tb\\*.mbox" Thunderbird "$o\\out-logsrc\\" EML \
    "-errorlog=$o\\tb\\Work.mbox" > "$one/logsrc.log" 2>&1 || rc=$?
echo "== logsrc: exit code $rc"
head -n 1 "$one/logsrc.log" | grep -q "^Error log cannot be written: .*Work.mbox: it is a mailbox" ||
    { echo "MISSING: the error log named as a mailbox at the start"; status=1; }
grep -q "^Error log: .*Work.mbox" "$one/logsrc.log" && { echo "MISMATCH: the mailbox named as the error log"; status=1; }
row_check logsrc "^Mailbox without an index file skipped" 1
cmp -s "$one/tb/Work.mbox" <(printf 'From a@b Mon Jan  5 10:00:00 2009\nFrom: a@b\nSubject: work\n\nbody\n\n') ||
    { echo "MISMATCH: the mailbox named as the error log was written"; status=1; }
# Cut to nothing while the run reads: one row naming the first message not
# written, no row of a message without text.
( sleep 1; truncate -s 0 "$one/cut" ) &
one_run cut 1 "$o\\cut" Mbox "$o\\out-cut\\" EML
wait
written=$(find "$one/out-cut" -type f | wc -l)
row_check cut "^Mailbox cut during the run: not read from message $((written + 1)) on" 1
row_check cut "^Message has no text" 0
# --- end of the section -----------------------------------------------------
typed_paths
unlisted_folder
rm -rf "$work"
exit $status
