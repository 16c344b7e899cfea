#!/bin/bash
# Runs the split benchmark: the native build against GNU split, and the
# Windows build under Wine in the same table. Arguments go to split_bench:
#   bench/run.sh [--size 1G] [--runs 5] [--dir /tmp] [--buffer BYTES]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

configure() {  # folder, extra cmake arguments
  local dir=$1; shift
  [ -f "build/$dir/build.ninja" ] ||
    cmake -S . -B "build/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}
configure native
configure win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
cmake --build build/native --target split_bench >/dev/null
cmake --build build/win64 --target split_bench >/dev/null

# The worker is a console program: Wine needs no display for it. One
# persistent wineserver serves every run and is stopped at the end.
. tools/wine-env.sh
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making the Wine prefix $WINEPREFIX (first use)" >&2
  qh_wine wineboot -i >/dev/null 2>&1
fi
qh_wineserver -p
trap 'qh_wineserver -k 2>/dev/null || true' EXIT

build/native/bench/split_bench --wine build/win64/bench/split_bench.exe \
  --wine-run tools/wine-run "$@"
