# Sourced: the environment in which this project runs its Windows programs.
# The prefix is the project's own, made on first use; GBK (code page 936)
# comes from the Chinese locale (tools/deps.sh makes it where it is missing;
# without it Wine cannot name files with Chinese characters).
QH_ROOT=${QH_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]:-$0}")/.." && pwd)}
export WINEPREFIX=${QH_WINEPREFIX:-$QH_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
# No Mono or Gecko installer dialogs.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
QH_WINE64=$(dpkg -L wine64 2>/dev/null | grep -m1 '/wine64$' || true)
QH_WINE64=${QH_WINE64:-/usr/lib/wine/wine64}
QH_WINESERVER=$(dirname "$QH_WINE64")/wineserver

qh_wine() { env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$QH_WINE64" "$@"; }
qh_wineserver() { env LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$QH_WINESERVER" "$@"; }
