#!/bin/bash
# Builds everything and runs every test: native (plain and with ASan/UBSan),
# Windows 64-bit under Wine, and the 32-bit Windows build (compiled only:
# 32-bit programs cannot run on these machines).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/deps.sh

jobs=$(nproc)
configure() {  # folder, extra cmake arguments
  local dir=$1; shift
  cmake -S . -B "build/$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQH_WERROR=ON "$@" >/dev/null
}
build() { cmake --build "build/$1" -j "$jobs"; }

configure native
configure asan -DQH_SANITIZE=ON
configure win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
configure win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DQH_TESTS=OFF
for dir in native asan win64 win32; do
  echo "== build $dir"
  build "$dir"
done

echo "== native tests"
ctest --test-dir build/native --output-on-failure
echo "== native tests, ASan and UBSan"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build/asan --output-on-failure

echo "== fuzz, a minute in all"
fuzz/run.sh 60

echo "== Windows tests under Wine"
. tools/wine-session.sh
qh_session_start
# A small volume for the full-disk tests under Wine: a 1 MiB tmpfs, seen
# through Wine's Z: drive (where mounting is allowed).
small=$(mktemp -d /tmp/qh-small.XXXXXX)
if mount -t tmpfs -o size=1m,mode=1777 tmpfs "$small" 2>/dev/null; then
  export QH_SMALL_VOLUME="Z:${small//\//\\}"
fi
trap 'qh_session_stop; umount "$small" 2>/dev/null || true; rmdir "$small"' EXIT
ctest --test-dir build/win64 --output-on-failure

# What each fault shows the user, natively and under Wine.
fault_matrix() { awk '/^Fault matrix/{p=1} p&&/^\[=/{p=0} p'; }
echo "== fault matrix, native"
build/native/tests/core_tests --gtest_filter='Faults/*' | fault_matrix
echo "== fault matrix, Windows under Wine"
tools/wine-run build/win64/tests/core_tests.exe --gtest_filter='Faults/*' | fault_matrix
