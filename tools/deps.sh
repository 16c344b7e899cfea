#!/bin/bash
# Installs the Debian packages this project builds and tests with, when they
# are missing. Safe to run again.
set -euo pipefail
packages=(cmake ninja-build g++ make googletest libbenchmark-dev clang libclang-rt-14-dev
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          wine wine64 xvfb xauth x11-apps imagemagick coreutils zip)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
