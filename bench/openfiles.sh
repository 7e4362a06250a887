#!/usr/bin/env bash
# The open form's Open with thousands of files picked, and the target file's
# form checking one name typed key by key in the same folder, timed from the
# Enter key, through the real wizard
# (openfiles.exe), this build beside an earlier one in the same rounds. The
# earlier build is made from the git revision BENCH_BEFORE_REV (default
# main): its tree is exported into the build folder, this program is added
# to it and only this program is built there (the shared compiler cache
# serves every unit that build shares with others). A run of the earlier
# build that passes BENCH_BEFORE_LIMIT seconds (default 120) is stopped and
# shown as over it. Needs an X display (xvfb-run -a for none).
#
#   BENCH_BEFORE_REV=main TESSALY_BUILD=build xvfb-run -a bench/openfiles.sh [count]
#
# BENCH_ROUNDS (default 3), BENCH_WORK (default /tmp/tessaly-openfiles).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/bench/ratios.sh"
bench_against_before tessaly-openfiles
count=${1:-5000}
rev=${BENCH_BEFORE_REV:-main}
commit=$(git -C "$root" rev-parse --short "$rev")

# The earlier build: its tree at the revision, with this program added.
src=$build/before-$commit
if [ ! -x "$src/build/bench/openfiles.exe" ]; then
  rm -rf "$src"
  mkdir -p "$src"
  git -C "$root" archive "$commit" | tar -x -C "$src"
  cp "$root/bench/openfiles.cpp" "$src/bench/"
  grep -q 'add_executable(openfiles' "$src/bench/CMakeLists.txt" ||
    printf '%s\n' 'add_executable(openfiles openfiles.cpp ${PROJECT_SOURCE_DIR}/app/Tessaly.rc)' \
      'target_link_libraries(openfiles PRIVATE app)' >>"$src/bench/CMakeLists.txt"
  cmake -S "$src" -B "$src/build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release ${TESSALY_CMAKE_ARGS:-} >/dev/null
  cmake --build "$src/build" -j "$(nproc)" --target openfiles >"$work/before-build.log" 2>&1 ||
    { echo "the earlier build failed, see $work/before-build.log" >&2; exit 1; }
fi

# The form's windows shown and hidden without a window manager: Wine would
# wait 2 s for one to withdraw each hidden window, as the test programs do not.
WINEPREFIX=$TESSALY_WINEPREFIX WINEARCH=win32 WINEDEBUG=-all \
  wine reg add 'HKCU\Software\Wine\AppDefaults\openfiles.exe\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

# run EXE [LIMIT]: prints the two times, or ">LIMIT" twice when stopped.
run() {
  local code=0
  timeout "${2:-0}" "$wine_run" "$1" "$count" >"$work/log" 2>&1 || code=$?
  if [ "$code" = 124 ]; then
    printf '>%s >%s' "$limit" "$limit"
    sleep 1
    return
  fi
  [ "$code" = 0 ] || { echo "openfiles failed: $1" >&2; cat "$work/log" >&2; exit 1; }
  local opened saved
  opened=$(tr -d '\r' <"$work/log" | sed -n "s/^$count files opened: \([0-9.]*\) s$/\1/p")
  saved=$(tr -d '\r' <"$work/log" | sed -n "s/^one name checked among $count files: \([0-9.]*\) s$/\1/p")
  printf '%s %s' "$opened" "$saved"
}

declare -A times
echo "# Open form, $count files, $(date -u '+%Y-%m-%d %H:%M UTC'), $rounds rounds, this build against $commit," \
  "load average $(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 1; r <= rounds; r++)); do
  for side in now before; do
    if [ "$side" = now ]; then read -r o s <<<"$(run "$build/bench/openfiles.exe")"
    else read -r o s <<<"$(run "$src/build/bench/openfiles.exe" "$limit")"; fi
    times[$side.open]+="$o " times[$side.save]+="$s "
  done
done
echo "# load average at the end $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| step | this build s (runs) | $commit s (runs) | median ratio |"
echo "|---|---|---|---|"
echo "| $count files picked, Open, until the source list holds them | ${times[now.open]}| ${times[before.open]}|" \
  "$(mratio "${times[before.open]//>/}" "${times[now.open]}") |"
echo "| one name typed among $count files, from the Enter key until the target box holds it | ${times[now.save]}|" \
  "${times[before.save]}| $(mratio "${times[before.save]//>/}" "${times[now.save]}") |"
