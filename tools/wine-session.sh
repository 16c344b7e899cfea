# Sourced: a display and a running wineserver for the Windows tests, both
# ended when the calling shell exits, so a run leaves no process behind.
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

qh_xvfb_pid=""

qh_session_stop() {
  qh_wineserver -k 2>/dev/null || true
  if [ -n "$qh_xvfb_pid" ]; then
    kill "$qh_xvfb_pid" 2>/dev/null || true
    wait "$qh_xvfb_pid" 2>/dev/null || true
  fi
}

# Makes the prefix on first use. Its programs run in a Wine virtual desktop:
# windows get frames without a window manager, and Wine does not wait for a
# window manager (two seconds per closed window) that is not there.
qh_prefix_ready() {
  [ -f "$WINEPREFIX/.qh-ready" ] && return 0
  echo "Making the Wine prefix $WINEPREFIX (first use)"
  qh_wine wineboot -i >/dev/null 2>&1
  qh_wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  qh_wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
  qh_wineserver -w
  touch "$WINEPREFIX/.qh-ready"
}

# Starts Xvfb on the first free display, of the given screen size.
qh_xvfb_start() {
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "${1:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
  qh_xvfb_pid=$!
  trap qh_session_stop EXIT
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  export DISPLAY=":$n"
}

qh_session_start() {
  qh_xvfb_start
  qh_prefix_ready
  # One persistent wineserver for the whole run: starting Wine per test is slow.
  qh_wineserver -p 2>/dev/null || true  # one may be running already
  qh_wine cmd /c exit >/dev/null 2>&1 || true
}
