# Sourced by the Wine helpers: the project's private Wine settings.
# WINEPREFIX defaults to a prefix under the build folder; a caller may set its own.
_zorvik_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$_zorvik_root/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# LC_ALL=zh_CN.GBK gives the ANSI code page 936, as on a Chinese Windows; set only for Wine
# itself (no such Linux locale need exist).
# No Mono/Gecko download prompts. On a machine without a sound device Wine's ALSA driver fills the
# console with errors on every sound; without the driver there is no wave device and the program
# skips its sounds quietly, as on a PC without a sound card.
_zorvik_overrides="mscoree,mshtml="
compgen -G "/dev/snd/pcmC*" >/dev/null || _zorvik_overrides+=";winealsa.drv=d"
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-$_zorvik_overrides}
zorvik_wine() {
  local w=wine; command -v wine >/dev/null || w=wine64
  env LC_ALL=zh_CN.GBK "$w" "$@"
}
zorvik_wine_init() {
  if [ ! -f "$WINEPREFIX/.zorvik-ready" ]; then
    mkdir -p "$WINEPREFIX"
    env LC_ALL=zh_CN.GBK wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.zorvik-ready"
  fi
}
# On a display without a window manager (a private Xvfb) Wine must draw the window frames itself
# ("Managed" = N), or captions are missing and every window waits for a manager that never comes.
zorvik_wine_managed() {  # Y or N
  local want=$1
  grep -q "\"Managed\"=\"$want\"" "$WINEPREFIX/user.reg" 2>/dev/null && return 0
  zorvik_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$want" /f >/dev/null 2>&1
  wineserver -w 2>/dev/null || true
}
# Ends every Wine process of the prefix and waits until they are gone, so that the display they
# draw on can be closed after them (closing it first makes them report a broken X connection).
zorvik_wine_end() {
  wineserver -k 2>/dev/null || true
  timeout 20 wineserver -w 2>/dev/null || true
}
