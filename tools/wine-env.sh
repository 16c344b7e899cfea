# Sourced: the environment in which this project runs its Windows programs.
# The prefix is the project's own, made on first use; GBK (code page 936)
# comes from the Chinese locale, given to Wine alone (the shell need not have
# that locale).
QH_ROOT=${QH_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]:-$0}")/.." && pwd)}
export WINEPREFIX=${QH_WINEPREFIX:-$QH_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
# No Mono or Gecko installer dialogs.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
QH_WINE64=$(dpkg -L wine64 2>/dev/null | grep -m1 '/wine64$' || true)
QH_WINE64=${QH_WINE64:-/usr/lib/wine/wine64}
QH_WINESERVER=$(dirname "$QH_WINE64")/wineserver

# Wine writes Windows file names as host names in the host's locale: without
# zh_CN.UTF-8 on the host, every name with a Chinese character is "not found".
# Where the system lacks it, it is made once into the build folder, for Wine
# alone.
QH_LOCPATH=""
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf-\?8'; then
  QH_LOCPATH=$QH_ROOT/build/locale
  [ -d "$QH_LOCPATH/zh_CN.UTF-8" ] || { mkdir -p "$QH_LOCPATH" &&
    localedef -i zh_CN -f UTF-8 "$QH_LOCPATH/zh_CN.UTF-8" >/dev/null 2>&1; } || true
fi
QH_WINE_LOCALE=(LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 ${QH_LOCPATH:+LOCPATH=$QH_LOCPATH})

qh_wine() { env "${QH_WINE_LOCALE[@]}" "$QH_WINE64" "$@"; }
qh_wineserver() { env "${QH_WINE_LOCALE[@]}" "$QH_WINESERVER" "$@"; }
