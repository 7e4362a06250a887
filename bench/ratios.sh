# Sourced by the benchmark scripts.
# mratio A B: the median of the per-round ratios of two lists of times.
mratio() {
  awk -v a="$1" -v b="$2" 'BEGIN{n=split(a,x," "); split(b,y," "); m=0;
    for(i=1;i<=n;i++) if (x[i]>0 && y[i]>0) r[++m]=x[i]/y[i];
    if (m==0) {print "-"; exit}
    for(i=1;i<=m;i++) for(j=i+1;j<=m;j++) if (r[j]<r[i]) {t=r[i]; r[i]=r[j]; r[j]=t}
    printf "%.2f", (m%2 ? r[(m+1)/2] : (r[m/2]+r[m/2+1])/2)}'
}

# bench_against_before WORKNAME: what the scripts that run an earlier build
# beside this one share: the build, the earlier one (BENCH_BEFORE) and its
# limit, the rounds, the work folder (BENCH_WORK, default /tmp/WORKNAME) and
# the Wine runner. Needs root.
bench_against_before() {
  build=$(cd "${TESSALY_BUILD:-$root/build}" && pwd)
  before=${BENCH_BEFORE:+$(cd "$BENCH_BEFORE" && pwd)}
  limit=${BENCH_BEFORE_LIMIT:-120}
  rounds=${BENCH_ROUNDS:-3}
  work=${BENCH_WORK:-/tmp/$1}
  export TESSALY_WINEPREFIX=${TESSALY_WINEPREFIX:-$build/wineprefix}
  wine_run="$root/scripts/wine-run.sh"
  mkdir -p "$work"
  work=$(cd "$work" && pwd)
}

# build_before PROGRAM CMAKE-LINE...: the earlier build of one benchmark
# program, made from the git revision BENCH_BEFORE_REV (default main): its
# tree is exported into the build folder, the program's source is added to
# it with the CMake lines given, and only that program is built there (the
# shared compiler cache serves every unit that build shares with others).
# Sets commit and src; the program is $src/build/bench/PROGRAM.exe.
build_before() {
  local program=$1 line
  shift
  commit=$(git -C "$root" rev-parse --short "${BENCH_BEFORE_REV:-main}")
  src=$build/before-$commit
  [ -x "$src/build/bench/$program.exe" ] && return
  if [ ! -f "$src/CMakeLists.txt" ]; then
    mkdir -p "$src"
    git -C "$root" archive "$commit" | tar -x -C "$src"
  fi
  cp "$root/bench/$program.cpp" "$src/bench/"
  grep -q "add_executable($program " "$src/bench/CMakeLists.txt" ||
    for line in "$@"; do printf '%s\n' "$line" >>"$src/bench/CMakeLists.txt"; done
  cmake -S "$src" -B "$src/build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release ${TESSALY_CMAKE_ARGS:-} >/dev/null
  cmake --build "$src/build" -j "$(nproc)" --target "$program" >"$work/before-build.log" 2>&1 ||
    { echo "the earlier build failed, see $work/before-build.log" >&2; exit 1; }
}

# unmanaged EXE: the program's windows shown and hidden without a window
# manager: Wine would wait 2 s for one to withdraw each hidden window, as the
# test programs do not.
unmanaged() {
  WINEPREFIX=$TESSALY_WINEPREFIX WINEARCH=win32 WINEDEBUG=-all \
    wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$1\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
}

# each_round RUN NOW-EXE BEFORE-EXE [LIMIT]: runs RUN on this build's program
# and the earlier one in turns for $rounds rounds; RUN prints two figures,
# gathered (space-ended) in got[now.1], got[now.2], got[before.1], got[before.2].
declare -A got
each_round() {
  local r a b
  for ((r = 1; r <= rounds; r++)); do
    read -r a b <<<"$("$1" "$2")"
    got[now.1]+="$a " got[now.2]+="$b "
    read -r a b <<<"$("$1" "$3" ${4:-})"
    got[before.1]+="$a " got[before.2]+="$b "
  done
}

# winpath PATH: the path as Wine's Z: drive names it.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# one_message_boxes FOLDER COUNT: COUNT one-message mailboxes box1.mbox ...
# in FOLDER, made once (kept while the last one is there).
one_message_boxes() {
  [ -f "$1/box$2.mbox" ] && return
  rm -rf "$1"
  mkdir -p "$1"
  python3 - "$1" "$2" <<'PY'
import os, sys
folder, n = sys.argv[1], int(sys.argv[2])
for i in range(1, n + 1):
    with open(os.path.join(folder, 'box%d.mbox' % i), 'wb') as f:
        f.write(b'From a@example.com Mon Jan  5 10:00:00 2009\nFrom: a@example.com\n'
                b'Subject: note %d\nDate: Mon, 5 Jan 2009 10:00:00 +0000\n\nok %d\n' % (i, i))
PY
}
