#!/bin/bash
# Builds the 64-bit and 32-bit programs as stripped release builds and packs
# them with the user guide into dist/qinghe-split-VERSION.zip; prints the
# archive's SHA-256.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/deps.sh

version=$(sed -n 's/^project(QingheSplitter VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=qinghe-split-$version
stage=build/release/$name
rm -rf "$stage" "dist/$name.zip"
mkdir -p "$stage/x64" "$stage/x86" dist

for arch in x86_64 i686; do
  dir=build/release-$arch
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQH_TESTS=OFF -DQH_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" >/dev/null
  cmake --build "$dir" --target qinghe-split -j "$(nproc)"
  out="$stage/x86"
  [ "$arch" = x86_64 ] && out="$stage/x64"
  "$arch-w64-mingw32-strip" -o "$out/qinghe-split.exe" "$dir/ui/qinghe-split.exe"
done

# The user guide: the Chinese part of README, as GBK text with CRLF line
# ends, which Notepad on a Chinese Windows opens as it is.
sed -n '/^## 使用说明/,/^## Set-up/p' README.md | sed '$d' |
  sed 's/\*\*//g' | iconv -f UTF-8 -t GBK | sed 's/$/\r/' > "$stage/readme.txt"

(cd build/release && zip -qr -X "$root/dist/$name.zip" "$name")
echo "dist/$name.zip"
sha256sum "dist/$name.zip"
