#!/usr/bin/env bash
# Runs the whole benchmark: generates mailboxes with mailgen, converts them
# with bench/convert (the real driver, under Wine) and runs the floors and
# peers on the same files, then prints one Markdown table per size. The ratio
# column is the converter's time over the other program's.
#
#   bench/run.sh [size...]            sizes as mailgen takes them; default 100M 1G
#
# Environment: TESSALY_BUILD (build folder with -DTESSALY_BENCH=ON, default
# build-bench), BENCH_WORK (scratch folder, default /tmp/tessaly-bench),
# BENCH_SEED (default 1), BENCH_EOL (line end of the sources, default lf).
# Generated mailboxes and outputs are deleted as soon as they are measured.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSALY_BUILD:-$root/build-bench}
work=${BENCH_WORK:-/tmp/tessaly-bench}
seed=${BENCH_SEED:-1}
eol=${BENCH_EOL:-lf}
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
export TESSALY_WINEPREFIX=${TESSALY_WINEPREFIX:-$build/wineprefix}
wine_run="$root/scripts/wine-run.sh"
# A resident server keeps Wine's start-up out of every timed run but the first.
"$wine_run" "$build/bench/mailgen.exe" >/dev/null 2>&1 || true
WINEPREFIX=$TESSALY_WINEPREFIX wineserver -p || true  # already resident
trap 'WINEPREFIX=$TESSALY_WINEPREFIX wineserver -k 2>/dev/null || true' EXIT

mkdir -p "$work"
work=$(cd "$work" && pwd)
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# timed NAME CMD...: runs CMD, keeps wall seconds and peak RSS (MB) in
# T_<NAME> and M_<NAME>, its stdout in $work/NAME.out.
timed() {
  local name=$1; shift
  sync
  local t m
  if /usr/bin/time -f '%e %M' -o "$work/$name.time" "$@" >"$work/$name.out" 2>"$work/$name.err"; then
    read -r t m < <(tail -n 1 "$work/$name.time")
  else
    echo "$name failed: $(head -c 300 "$work/$name.err")" >&2
    t=failed; m=0
  fi
  printf -v "T_$name" '%s' "$t"
  printf -v "M_$name" '%s' "$(awk -v k="$m" 'BEGIN{printf "%.1f", k/1024}')"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (a + 0 > 0 && b + 0 > 0) printf "%.2f", a/b; else print "-" }'; }
files() { find "$1" -type f | wc -l; }

cat >"$work/pysplit.py" <<'PY'
import mailbox, os, sys
box = mailbox.mbox(sys.argv[1], create=False)
out = sys.argv[2]
for n, key in enumerate(box.iterkeys()):
    with open(os.path.join(out, "%d.eml" % n), "wb") as f:
        f.write(box.get_bytes(key, from_=False))
PY

echo "# Benchmark run $(date -u '+%Y-%m-%d %H:%M UTC') on $(nproc) cores, $(uname -sr), $(wine --version)"
echo "# seed $seed, source line ends $eol"
for size in "${sizes[@]}"; do
  box="$work/box-$size.mbox"
  out="$work/out"
  rm -rf "$out"; mkdir -p "$out"
  timed gen "$wine_run" "$build/bench/mailgen.exe" "$(winpath "$box")" "$size" --seed "$seed" --eol "$eol"
  bytes=$(stat -c %s "$box")
  messages=$(awk '{print $3}' "$work/gen.out")
  cat "$box" >/dev/null   # every contender reads from the page cache

  timed eml "$wine_run" "$build/bench/convert.exe" "$(winpath "$box")" Mbox "$(winpath "$out/eml")\\" EML
  n_eml=$(files "$out/eml"); rm -rf "$out/eml"
  summary_eml=$(grep 'mailboxes processed' "$work/eml.out" || echo "no summary")
  inner_eml=$(tail -n 1 "$work/eml.out")

  mkdir -p "$out/split"
  timed split split -n "$messages" -a 6 "$box" "$out/split/x"
  n_split=$(files "$out/split"); rm -rf "$out/split"

  timed winsplit "$wine_run" "$build/bench/winsplit.exe" "$(winpath "$box")" "$messages" "$(winpath "$out/ws")"
  n_winsplit=$(files "$out/ws"); rm -rf "$out/ws"

  mkdir -p "$out/git"
  timed git git mailsplit -o"$out/git" "$box"
  n_git=$(files "$out/git"); rm -rf "$out/git"

  mkdir -p "$out/py"
  timed py python3 "$work/pysplit.py" "$box" "$out/py"
  n_py=$(files "$out/py"); rm -rf "$out/py"

  timed mbox "$wine_run" "$build/bench/convert.exe" "$(winpath "$box")" Mbox "$(winpath "$out/win.mbox")" Mbox_Win
  s_mbox=$(stat -c %s "$out/win.mbox")
  summary_mbox=$(grep 'mailboxes processed' "$work/mbox.out" || echo "no summary")
  inner_mbox=$(tail -n 1 "$work/mbox.out")

  timed u2d unix2dos -q -n "$box" "$out/u2d.mbox"
  s_u2d=$(stat -c %s "$out/u2d.mbox")
  same=no; cmp -s "$out/win.mbox" "$out/u2d.mbox" && same=yes
  rm -f "$out/win.mbox" "$out/u2d.mbox"

  rm -f "$box"
  ws_eml=$(sed -n 's/.*peak working set \([0-9.]*\) MB.*/\1/p' <<<"$inner_eml")
  ws_mbox=$(sed -n 's/.*peak working set \([0-9.]*\) MB.*/\1/p' <<<"$inner_mbox")

  echo
  echo "## $size: $bytes bytes, $messages messages (generated in ${T_gen} s)"
  echo
  echo "| task | program | files / bytes out | seconds | ratio | peak RSS MB |"
  echo "|---|---|---|---|---|---|"
  echo "| mbox to .eml | bench/convert | $n_eml files | $T_eml | $(ratio "$T_eml" "$T_split") x split | $M_eml (working set $ws_eml) |"
  echo "| | split -n (floor) | $n_split files | $T_split | 1.00 | $M_split |"
  echo "| | winsplit (floor under Wine) | $n_winsplit files | $T_winsplit | $(ratio "$T_eml" "$T_winsplit") x winsplit | $M_winsplit |"
  echo "| | git mailsplit | $n_git files | $T_git | $(ratio "$T_eml" "$T_git") x git | $M_git |"
  echo "| | python3 mailbox | $n_py files | $T_py | $(ratio "$T_eml" "$T_py") x python | $M_py |"
  echo "| mbox ($eol) to mbox for Windows | bench/convert | $s_mbox bytes | $T_mbox | $(ratio "$T_mbox" "$T_u2d") x unix2dos | $M_mbox (working set $ws_mbox) |"
  echo "| | unix2dos | $s_u2d bytes | $T_u2d | 1.00 | $M_u2d |"
  echo
  echo "convert to .eml: $summary_eml / $inner_eml"
  echo "convert to mbox: $summary_mbox / $inner_mbox"
  echo "mbox for Windows written by convert identical to unix2dos output: $same"
done
