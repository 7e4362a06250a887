#!/usr/bin/env bash
# Runs the whole benchmark: generates mailboxes with mailgen, converts them
# with bench/convert (the real driver, under Wine) and runs the floors and
# peers on the same files, then prints one Markdown table per case.
#
#   bench/run.sh [size...]            sizes as mailgen takes them; default 100M 1G
#
# Every case runs its contenders in rounds: one run of each per round, the
# rounds one after another, so that a change in the machine's load touches
# every contender alike. A ratio is worked out per round (converter over
# peer, both from that round) and the table gives the median of those
# ratios beside each program's best time.
#
# Environment: TESSALY_BUILD (build folder with -DTESSALY_BENCH=ON, default
# build-bench), BENCH_WORK (scratch folder, default /tmp/tessaly-bench),
# BENCH_SEED (default 1), BENCH_EOL (line end of the sources, default lf),
# BENCH_ROUNDS (default 3), BENCH_CRLF_SIZES (sizes also run from a CRLF
# source, default 100M; empty for none), BENCH_SAME_COUNT (messages in the
# one-subject case, default 2000; 0 for none), BENCH_PEERS (default
# "git python": the peers beside the floors; empty for the floors alone),
# BENCH_WIZARD_SIZES (sizes also converted through the program's window,
# driven by tests' wizardbench beside bench/convert, default 100M; empty
# for none), BENCH_WIZARD_ONLY (1: the wizard case alone). The wizard case
# needs an X display; without DISPLAY the run starts an Xvfb of its own.
# Generated mailboxes and outputs are deleted as soon as they are measured.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSALY_BUILD:-$root/build-bench}
# Wine takes the prefix below only as an absolute path.
[ ! -d "$build" ] || build=$(cd "$build" && pwd)
work=${BENCH_WORK:-/tmp/tessaly-bench}
seed=${BENCH_SEED:-1}
eol=${BENCH_EOL:-lf}
rounds=${BENCH_ROUNDS:-3}
crlf_sizes=${BENCH_CRLF_SIZES-100M}
same_count=${BENCH_SAME_COUNT:-2000}
peers=${BENCH_PEERS-git python}
wizard_sizes=${BENCH_WIZARD_SIZES-100M}
wizard_only=${BENCH_WIZARD_ONLY:-0}
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(100M 1G)

# The peers, installed here only: unix2dos, git mailsplit, python3 mailbox,
# coreutils split.
need=()
command -v unix2dos >/dev/null || need+=(dos2unix)
command -v git >/dev/null || need+=(git)
command -v split >/dev/null || need+=(coreutils)
command -v python3 >/dev/null || need+=(python3)
[ -x /usr/bin/time ] || need+=(time)
if [ ${#need[@]} -gt 0 ]; then
  apt-get install -y -q "${need[@]}" >/dev/null
fi
python3 -c 'import mailbox' >/dev/null

for exe in mailgen convert winsplit; do
  [ -f "$build/bench/$exe.exe" ] || { echo "missing $build/bench/$exe.exe: build with TESSALY_CMAKE_ARGS=-DTESSALY_BENCH=ON" >&2; exit 1; }
done
if [ -n "$wizard_sizes" ]; then
  for exe in tests/wizardbench app/Tessaly; do
    [ -f "$build/$exe.exe" ] || { echo "missing $build/$exe.exe: the wizard case needs the program and its tests built" >&2; exit 1; }
  done
fi
# The wizard case needs a display, and Wine's desktop takes the display of
# the first program of the prefix: without one the whole run gets its own
# Xvfb before anything starts.
xvfb_pid=
if [ -n "$wizard_sizes" ] && [ -z "${DISPLAY:-}" ]; then
  mkdir -p "$work"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb_pid=$!
  # Until the full clean-up below is in place: an Xvfb left behind would
  # keep the caller's output open.
  trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n 1 "$work/display")"
fi
export TESSALY_WINEPREFIX=${TESSALY_WINEPREFIX:-$build/wineprefix}
wine_run="$root/scripts/wine-run.sh"
# A server started with -p before any client stays resident between runs;
# one that a client started ends when that client does, and every later run
# would pay for starting it again. A server left by an earlier client is
# ended first, so that the resident one can take the prefix.
"$wine_run" "$build/bench/mailgen.exe" >/dev/null 2>&1 || true  # makes the prefix when it is new
WINEPREFIX=$TESSALY_WINEPREFIX wineserver -k 2>/dev/null || true
WINEPREFIX=$TESSALY_WINEPREFIX wineserver -w 2>/dev/null || true
WINEPREFIX=$TESSALY_WINEPREFIX WINEARCH=win32 wineserver -p
cleanup() {
  WINEPREFIX=$TESSALY_WINEPREFIX wineserver -k 2>/dev/null || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
"$wine_run" "$build/bench/mailgen.exe" >/dev/null 2>&1 || true  # loads Wine's DLLs into the page cache

mkdir -p "$work"
work=$(cd "$work" && pwd)
out="$work/out"
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# timed NAME CMD...: runs CMD from a sync, appends its wall seconds to
# T_<NAME> (a list over the rounds) and keeps the largest peak RSS (MB) in
# M_<NAME>; its stdout goes to $work/NAME.out.
timed() {
  local name=$1; shift
  sync
  local t m prev
  if /usr/bin/time -f '%e %M' -o "$work/$name.time" "$@" >"$work/$name.out" 2>"$work/$name.err"; then
    read -r t m < <(tail -n 1 "$work/$name.time")
  else
    echo "$name failed: $(head -c 300 "$work/$name.err")" >&2
    t=0; m=0
  fi
  prev=T_$name; printf -v "T_$name" '%s' "${!prev:-} $t"
  prev=M_$name
  printf -v "M_$name" '%s' "$(awk -v k="$m" -v p="${!prev:-0}" 'BEGIN{v=k/1024; if (p+0 > v) v=p; printf "%.1f", v}')"
}
reset() { local n; for n in "$@"; do unset "T_$n" "M_$n"; done; }
best() { awk '{b=0; for(i=1;i<=NF;i++) if ($i>0 && (b==0 || $i<b)) b=$i; printf "%.2f", b}' <<<"$1"; }
runs() { sed 's/^ //; s/ / \/ /g' <<<"$1"; }
# median of the per-round ratios of two lists
source "$root/bench/ratios.sh"
files() { find "$1" -type f | wc -l; }
inner() { sed -n 's/^\([0-9.]* s, [0-9.]* MB\/s\), peak working set \([0-9.]*\) MB$/\1 \2/p' "$work/$1.out"; }
ws() { tail -n 1 "$work/$1.out" | sed -n 's/.*peak working set \([0-9.]*\) MB.*/\1/p'; }
has_peer() { [[ " $peers " == *" $1 "* ]]; }

cat >"$work/pysplit.py" <<'PY'
import mailbox, os, sys
box = mailbox.mbox(sys.argv[1], create=False)
out = sys.argv[2]
for n, key in enumerate(box.iterkeys()):
    with open(os.path.join(out, "%d.eml" % n), "wb") as f:
        f.write(box.get_bytes(key, from_=False))
PY

echo "# Benchmark run $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, $(uname -sr), $(wine --version)"
echo "# seed $seed, $rounds rounds, load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"

# One size from one line end: .eml files against the per-file floors and
# peers, and the mbox for Windows against unix2dos.
run_size() {
  local size=$1 kind=$2
  local box="$work/box-$size-$kind.mbox"
  rm -rf "$out"; mkdir -p "$out"
  reset gen eml split winsplit wsnames git py mbox u2d
  timed gen "$wine_run" "$build/bench/mailgen.exe" "$(winpath "$box")" "$size" --seed "$seed" --eol "$kind"
  local bytes messages
  bytes=$(stat -c %s "$box")
  messages=$(awk '{print $3}' "$work/gen.out")
  cat "$box" >/dev/null   # every contender reads from the page cache
  local n_eml n_split n_winsplit n_wsnames n_git=- n_py=- s_mbox s_u2d same=yes
  for ((r = 1; r <= rounds; r++)); do
    timed eml "$wine_run" "$build/bench/convert.exe" "$(winpath "$box")" Mbox "$(winpath "$out/eml")\\" EML
    n_eml=$(files "$out/eml")
    ls "$out/eml" >"$work/names.txt"
    rm -rf "$out/eml"

    mkdir -p "$out/split"
    timed split split -n "$messages" -a 6 "$box" "$out/split/x"
    n_split=$(files "$out/split"); rm -rf "$out/split"

    timed winsplit "$wine_run" "$build/bench/winsplit.exe" "$(winpath "$box")" "$messages" "$(winpath "$out/ws")"
    n_winsplit=$(files "$out/ws"); rm -rf "$out/ws"

    timed wsnames "$wine_run" "$build/bench/winsplit.exe" "$(winpath "$box")" "$messages" "$(winpath "$out/wsn")" \
      "$(winpath "$work/names.txt")"
    n_wsnames=$(files "$out/wsn"); rm -rf "$out/wsn"

    if has_peer git; then
      mkdir -p "$out/git"
      timed git git mailsplit -o"$out/git" "$box"
      n_git=$(files "$out/git"); rm -rf "$out/git"
    fi
    if has_peer python; then
      mkdir -p "$out/py"
      timed py python3 "$work/pysplit.py" "$box" "$out/py"
      n_py=$(files "$out/py"); rm -rf "$out/py"
    fi

    timed mbox "$wine_run" "$build/bench/convert.exe" "$(winpath "$box")" Mbox "$(winpath "$out/win.mbox")" Mbox_Win
    s_mbox=$(stat -c %s "$out/win.mbox")
    timed u2d unix2dos -q -n "$box" "$out/u2d.mbox"
    s_u2d=$(stat -c %s "$out/u2d.mbox")
    cmp -s "$out/win.mbox" "$out/u2d.mbox" || same=no
    rm -f "$out/win.mbox" "$out/u2d.mbox"
  done
  rm -f "$box"

  echo
  echo "## $size from $kind: $bytes bytes, $messages messages (generated in $(best "$T_gen") s)"
  echo
  echo "| task | program | out | best s | runs s | median ratio | peak RSS MB |"
  echo "|---|---|---|---|---|---|---|"
  echo "| mbox to .eml | bench/convert | $n_eml files | $(best "$T_eml") | $(runs "$T_eml") | $(mratio "$T_eml" "$T_winsplit") x winsplit | $M_eml (working set $(ws eml)) |"
  echo "| | winsplit (floor under Wine) | $n_winsplit files | $(best "$T_winsplit") | $(runs "$T_winsplit") | 1.00 | $M_winsplit |"
  echo "| | winsplit, convert's file names | $n_wsnames files | $(best "$T_wsnames") | $(runs "$T_wsnames") | $(mratio "$T_eml" "$T_wsnames") x winsplit with those names | $M_wsnames |"
  echo "| | split -n (native floor) | $n_split files | $(best "$T_split") | $(runs "$T_split") | $(mratio "$T_eml" "$T_split") x split | $M_split |"
  if has_peer git; then
    echo "| | git mailsplit | $n_git files | $(best "$T_git") | $(runs "$T_git") | $(mratio "$T_eml" "$T_git") x git | $M_git |"
  fi
  if has_peer python; then
    echo "| | python3 mailbox | $n_py files | $(best "$T_py") | $(runs "$T_py") | $(mratio "$T_eml" "$T_py") x python | $M_py |"
  fi
  echo "| mbox ($kind) to mbox for Windows | bench/convert | $s_mbox bytes | $(best "$T_mbox") | $(runs "$T_mbox") | $(mratio "$T_mbox" "$T_u2d") x unix2dos | $M_mbox (working set $(ws mbox)) |"
  echo "| | unix2dos | $s_u2d bytes | $(best "$T_u2d") | $(runs "$T_u2d") | 1.00 | $M_u2d |"
  echo
  echo "convert to .eml, last run: $(grep 'mailboxes processed' "$work/eml.out" || echo "no summary") / $(tail -n 1 "$work/eml.out")"
  echo "convert to mbox, last run: $(grep 'mailboxes processed' "$work/mbox.out" || echo "no summary") / $(tail -n 1 "$work/mbox.out")"
  echo "mbox for Windows written by convert identical to unix2dos output in every round: $same"
}

# Many messages of one subject against as many with a subject each: the
# numbered names' share of a run.
run_same() {
  local n=$1
  local same="$work/same.mbox" distinct="$work/distinct.mbox"
  rm -rf "$out"; mkdir -p "$out"
  reset gen samesub distinct
  timed gen "$wine_run" "$build/bench/mailgen.exe" "$(winpath "$same")" 0 --seed "$seed" --count "$n" --subjects same
  timed gen "$wine_run" "$build/bench/mailgen.exe" "$(winpath "$distinct")" 0 --seed "$seed" --count "$n" --subjects distinct
  cat "$same" "$distinct" >/dev/null
  local n_same n_distinct
  for ((r = 1; r <= rounds; r++)); do
    timed samesub "$wine_run" "$build/bench/convert.exe" "$(winpath "$same")" Mbox "$(winpath "$out/same")\\" EML
    n_same=$(files "$out/same"); rm -rf "$out/same"
    timed distinct "$wine_run" "$build/bench/convert.exe" "$(winpath "$distinct")" Mbox "$(winpath "$out/distinct")\\" EML
    n_distinct=$(files "$out/distinct"); rm -rf "$out/distinct"
  done
  echo
  echo "## $n messages of one subject against $n with a subject each ($(stat -c %s "$same") bytes)"
  echo
  echo "| mailbox | files | best s | runs s | median ratio | peak working set MB |"
  echo "|---|---|---|---|---|---|"
  echo "| one subject | $n_same | $(best "$T_samesub") | $(runs "$T_samesub") | $(mratio "$T_samesub" "$T_distinct") x distinct | $(ws samesub) |"
  echo "| a subject each | $n_distinct | $(best "$T_distinct") | $(runs "$T_distinct") | 1.00 | $(ws distinct) |"
  rm -f "$same" "$distinct"
}

# The same mailbox converted by bench/convert and through the program's
# window, where the wizard drives the conversion: to .eml files and to one
# mbox for Windows. The times compared are the runs' own (convert's
# figures line; the wizard's from the Start click until its button reads
# "Start" again), so neither program's start counts.
# The run's own seconds from a program's output: convert's figures line
# ("12.3 s, 45.6 MB/s, ...") or the wizard's last line ("12.3 s"); 0 when
# there is none.
run_seconds() {
  tr -d '\r' <"$work/$1.out" | awk '/^[0-9.]+ s(,|$)/ {t=$1} END {print (t == "" ? 0 : t)}'
}
run_wizard() {
  local size=$1
  local box="$work/wizard-$size.mbox"
  rm -rf "$out"; mkdir -p "$out"
  reset gen cveml wzeml cvwin wzwin
  timed gen "$wine_run" "$build/bench/mailgen.exe" "$(winpath "$box")" "$size" --seed "$seed" --eol "$eol"
  local messages
  messages=$(awk '{print $3}' "$work/gen.out")
  cat "$box" >/dev/null
  local r cv_eml="" wz_eml="" cv_win="" wz_win="" n_cv n_wz same=yes
  for ((r = 1; r <= rounds; r++)); do
    timed cveml "$wine_run" "$build/bench/convert.exe" "$(winpath "$box")" Mbox "$(winpath "$out/cv")\\" EML
    cv_eml+=" $(run_seconds cveml)"
    n_cv=$(files "$out/cv"); rm -rf "$out/cv"
    timed wzeml "$wine_run" "$build/tests/wizardbench.exe" "$(winpath "$build/app/Tessaly.exe")" \
      "$(winpath "$box")" "$(winpath "$out/wz")\\" EML "$(winpath "$work/wizard")"
    wz_eml+=" $(run_seconds wzeml)"
    n_wz=$(files "$out/wz"); rm -rf "$out/wz"

    timed cvwin "$wine_run" "$build/bench/convert.exe" "$(winpath "$box")" Mbox "$(winpath "$out/cv.mbox")" Mbox_Win
    cv_win+=" $(run_seconds cvwin)"
    timed wzwin "$wine_run" "$build/tests/wizardbench.exe" "$(winpath "$build/app/Tessaly.exe")" \
      "$(winpath "$box")" "$(winpath "$out/wz.mbox")" Mbox_Win "$(winpath "$work/wizard")"
    wz_win+=" $(run_seconds wzwin)"
    cmp -s "$out/cv.mbox" "$out/wz.mbox" || same=no
    rm -f "$out/cv.mbox" "$out/wz.mbox"
  done
  rm -f "$box"
  echo
  echo "## The wizard beside bench/convert, $size from $eol: $messages messages"
  echo
  echo "| task | program | out | best run s | runs s | median ratio |"
  echo "|---|---|---|---|---|---|"
  echo "| mbox to .eml | wizard (Tessaly.exe) | $n_wz files | $(best "$wz_eml") | $(runs "$wz_eml") | $(mratio "$wz_eml" "$cv_eml") x convert |"
  echo "| | bench/convert | $n_cv files | $(best "$cv_eml") | $(runs "$cv_eml") | 1.00 |"
  echo "| mbox to mbox for Windows | wizard (Tessaly.exe) | | $(best "$wz_win") | $(runs "$wz_win") | $(mratio "$wz_win" "$cv_win") x convert |"
  echo "| | bench/convert | | $(best "$cv_win") | $(runs "$cv_win") | 1.00 |"
  echo
  echo "wizard, last run: $(grep 'mailboxes processed' "$work/wzeml.out" || echo "no summary") / $(grep 'mailboxes processed' "$work/wzwin.out" || echo "no summary")"
  echo "mbox for Windows written by the wizard identical to convert's in every round: $same"
}

if [ "$wizard_only" != 1 ]; then
  for size in "${sizes[@]}"; do
    run_size "$size" "$eol"
  done
  for size in $crlf_sizes; do
    [ "$eol" = crlf ] || run_size "$size" crlf
  done
  if [ "$same_count" -gt 0 ]; then
    run_same "$same_count"
  fi
fi
for size in $wizard_sizes; do
  run_wizard "$size"
done
echo
echo "# load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
