#!/bin/bash
# Takes pictures of the running program: the window (docs/window.png), the
# open dialog over it (docs/open-dialog.png) and the folder browser over it
# (docs/folder-browser.png). The program runs under an X server of its own,
# in a Wine virtual desktop so that frames and captions are drawn, in a Wine
# prefix of its own (build/wineprefix-shot) so that nothing else is
# disturbed. Everything it starts, it stops.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/deps.sh

program=$(tools/build-program.sh)
mkdir -p docs build/shot
# Opens and closes the dialogs from inside the program's desktop.
helper=build/shot/shot_click.exe
if [ ! -f "$helper" ] || [ tools/shot_click.cpp -nt "$helper" ]; then
  x86_64-w64-mingw32-g++-posix -O2 -Wall -Wextra -Werror -static -o "$helper" tools/shot_click.cpp
fi

export QH_WINEPREFIX=$root/build/wineprefix-shot
. tools/wine-session.sh

qh_xvfb_start 800x600x24

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making the Wine prefix $WINEPREFIX (first use)"
  qh_wine wineboot -i >/dev/null 2>&1 || true
fi
# Wine draws the caption buttons with its Marlett font, which Debian's Wine
# does not look for where fonts-wine puts it.
fonts=$WINEPREFIX/drive_c/windows/Fonts
[ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
qh_wineserver -p 60 2>/dev/null || true  # already running after wineboot

# Every program of this prefix runs in one virtual desktop, room enough for
# a dialog over the window; its plain background is trimmed off the pictures.
qh_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d qinghe /f >/dev/null 2>&1
qh_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v qinghe /d 800x600 /f >/dev/null 2>&1
# The open dialog reaches the screen black here (Wine 8 under Xvfb), though
# its own window holds the picture; so each window of the program is taken
# by itself and laid over the desktop, lowest first.
shot() {
  local layers=() id size at n=0
  xwd -root -silent | convert xwd:- build/shot/layer-root.png
  while read -r id size at; do
    [[ $size == 1x1+* ]] && continue
    xwininfo -id "$id" | grep -q 'IsViewable' || continue
    n=$((n + 1))
    xwd -id "$id" -silent | convert xwd:- "build/shot/layer-$n.png"
    layers+=("build/shot/layer-$n.png" -geometry "$at" -composite)
  done < <(xwininfo -root -tree | grep '("qinghe-split.exe"' | awk '{print $1, $(NF-1), $NF}' | tac)
  convert build/shot/layer-root.png "${layers[@]}" -crop 800x600+0+0 -trim +repage "$1"
  echo "Wrote $1"
}

# The program runs from a folder of its own, which the open dialog shows
# first: a novel or two there rather than the build's own files.
demo=build/shot/demo
rm -rf "$demo"
mkdir -p "$demo"
cp "$program" "$demo/"
for name in 青禾传.txt 长夜.txt; do
  for i in $(seq 2000); do echo "第${i}行"; done > "$demo/$name"
done
qh_wine "$demo/qinghe-split.exe" >/dev/null 2>&1 &
for _ in $(seq 150); do
  xwininfo -root -tree 2>/dev/null | grep -q '青禾' && break
  sleep 0.2
done
# The clock writes its pane after one second.
sleep 3
shot docs/window.png
for pair in source:open-dialog folder:folder-browser; do
  qh_wine "$helper" "${pair%%:*}"
  sleep 3  # the lists fill and paint after the dialog is up
  shot "docs/${pair#*:}.png"
  qh_wine "$helper" cancel
done
