#!/bin/bash
# Installs the Debian packages this project builds and tests with, when they
# are missing (Wine's own fonts and a Chinese one among them, for the window
# to show its texts and caption buttons), and the Chinese locale that Wine
# takes its code page and file name encoding from. Safe to run again.
set -euo pipefail
packages=(cmake ninja-build g++ make googletest libbenchmark-dev clang libclang-rt-14-dev
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          wine wine64 xvfb xauth x11-apps imagemagick coreutils zip
          locales fonts-wqy-microhei fonts-wine)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# Without the locale itself Wine still shows GBK, but cannot name a file
# with Chinese characters on the Linux side.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  echo "Making the locale zh_CN.UTF-8"
  $sudo localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
