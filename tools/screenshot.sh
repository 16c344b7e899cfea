#!/bin/bash
# Takes a picture of the running window into docs/window.png: the program
# under an X server of its own, in a Wine virtual desktop so that the frame
# and caption are drawn, in a Wine prefix of its own (build/wineprefix-shot)
# so that nothing else is disturbed. Everything it starts, it stops.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/deps.sh

if [ ! -f build/win64/CMakeCache.txt ]; then
  cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null
fi
cmake --build build/win64 --target qinghe-split
program=build/win64/ui/qinghe-split.exe
out=docs/window.png
mkdir -p docs

export QH_WINEPREFIX=$root/build/wineprefix-shot
. tools/wine-env.sh

n=150
while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
stop() {
  qh_wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
}
trap stop EXIT
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$n" ] && break
  sleep 0.1
done
export DISPLAY=":$n"

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making the Wine prefix $WINEPREFIX (first use)"
  qh_wine wineboot -i >/dev/null 2>&1 || true
fi
# Wine draws the caption buttons with its Marlett font, which Debian's Wine
# does not look for where fonts-wine puts it.
fonts=$WINEPREFIX/drive_c/windows/Fonts
[ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
qh_wineserver -p 60 2>/dev/null || true  # already running after wineboot

# A desktop a little larger than the window; its plain background is trimmed
# off the picture afterwards.
qh_wine explorer /desktop=qinghe,620x420 "$program" >/dev/null 2>&1 &
for _ in $(seq 150); do
  xwininfo -root -tree 2>/dev/null | grep -q '青禾' && break
  sleep 0.2
done
# The clock writes its pane after one second.
sleep 3
xwd -root -silent | convert xwd:- -crop 620x420+0+0 -trim +repage "$out"
echo "Wrote $out"
