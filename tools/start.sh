#!/bin/bash
# Installs what is missing, builds the 64-bit program and starts its window
# under Wine on your display. The first start also makes the Wine prefix
# (build/wineprefix), which takes a little while.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/deps.sh

program=$(tools/build-program.sh)

if [ -z "${DISPLAY:-}" ]; then
  cat >&2 <<MSG
Built $program, but there is no display to show it on (DISPLAY is not set).
Start it from a desktop session, log in with "ssh -X", or set DISPLAY to a
running X server (for instance DISPLAY=:0 tools/start.sh). Without any
screen, "xvfb-run -a tools/start.sh" runs it on an invisible one.
MSG
  exit 1
fi

# A prefix of its own: the test prefix runs everything in a virtual desktop.
QH_WINEPREFIX=${QH_WINEPREFIX:-$root/build/wineprefix-run}
. tools/wine-env.sh
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making the Wine prefix $WINEPREFIX (first start only)"
  qh_wine wineboot -i >/dev/null 2>&1 || true
fi
echo "Starting $program"
exec env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$QH_WINE64" "$program"
