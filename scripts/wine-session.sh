#!/usr/bin/env bash
# Starts or stops the test desktop: an Xvfb display, a throwaway Wine prefix
# whose default is the virtual desktop "shell" (low-level hooks only see input
# inside a Wine desktop, and "shell" also draws the taskbar with its
# notification area), and a persistent wineserver. SNAPLARK_DESKTOP sets the
# desktop's size, SNAPLARK_WALLPAPER an absolute path of a BMP to draw on it.
#
#   wine-session.sh start DIR   writes DIR/env for wine-exec.sh
#   wine-session.sh stop DIR    ends everything started and removes DIR
set -euo pipefail

cmd=${1:?start or stop}
dir=${2:?session folder}
screen=${SNAPLARK_SCREEN:-1920x1080}
desktop=${SNAPLARK_DESKTOP:-1280x800}

stop() {
  [ -f "$dir/env" ] || { rm -rf "$dir"; return 0; }
  # shellcheck disable=SC1091
  . "$dir/env"
  export WINEPREFIX
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  timeout 20 wineserver -w >/dev/null 2>&1 || true
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$XVFB_PID" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$XVFB_PID" 2>/dev/null || true
  fi
  rm -rf "$dir"
}

start() {
  stop
  mkdir -p "$dir"
  # Xvfb picks a free display number and reports it on the descriptor.
  Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -ac </dev/null \
    3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  local xvfb=$!
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || { echo "Xvfb did not start" >&2; kill $xvfb 2>/dev/null; exit 1; }
  local display=":$(tr -d '\n' <"$dir/display")"
  # Without winemenubuilder, shortcuts made in the prefix stay in it instead
  # of becoming menu entries in the home folder.
  cat >"$dir/env" <<ENV
XVFB_PID=$xvfb
DISPLAY=$display
WINEPREFIX=$dir/prefix
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
WINEARCH=win64
ENV
  set -a; . "$dir/env"; set +a
  timeout 180 wineboot -i >"$dir/wineboot.log" 2>&1
  timeout 60 wineserver -w
  # Debian's Wine does not look in its own font folder: give the prefix the
  # fonts the program's dialogs ask for ("MS Sans Serif", Tahoma).
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  # A wallpaper (SNAPLARK_WALLPAPER, a BMP file) is read when the desktop
  # starts, so it goes in before the desktop is made the default.
  if [ -n "${SNAPLARK_WALLPAPER:-}" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /d "Z:${SNAPLARK_WALLPAPER//\//\\}" /f >/dev/null 2>&1
  fi
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d "$desktop" /f >/dev/null 2>&1
  # A crashing test program must fail its test, not wait on a dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  timeout 60 wineserver -w
  # Keep one wineserver for the whole run so each test starts quickly.
  wineserver -p >/dev/null 2>&1 </dev/null
}

case "$cmd" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
