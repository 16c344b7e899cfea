#!/bin/bash
# Builds the 64-bit program in build/win64 (configuring it on first use) and
# prints the path of the .exe.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/win64/CMakeCache.txt ]; then
  cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null
fi
cmake --build build/win64 --target qinghe-split >&2
echo build/win64/ui/qinghe-split.exe
