#!/usr/bin/env bash
# Installs what is missing, builds Snaplark.exe and starts it under Wine in a
# virtual desktop on the current X display (or on a new Xvfb display when
# DISPLAY is unset).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Snaplark

export WINEPREFIX=${SNAPLARK_WINEPREFIX:-$repo/.cache/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${DISPLAY:-}" ]; then
  exec 3< <(Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp 2>/dev/null)
  read -r n <&3
  export DISPLAY=":$n"
  echo "DISPLAY was not set: started Xvfb on $DISPLAY (look at it with: DISPLAY=$DISPLAY import -window root shot.png)"
fi
if [ ! -d "$WINEPREFIX" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi
echo "starting Snaplark in the Wine desktop \"shell\" on $DISPLAY (prefix $WINEPREFIX)"
exec wine explorer /desktop=shell,1280x800 "$repo/build/windows/bin/Snaplark.exe"
