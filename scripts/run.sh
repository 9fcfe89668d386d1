#!/usr/bin/env bash
# Installs what is missing, builds Snaplark.exe and starts it under Wine in a
# virtual desktop on the current X display (or on a new Xvfb display when
# DISPLAY is unset). When the program ends, or on Ctrl+C, everything this
# script started ends with it: the Wine processes of its prefix and the Xvfb.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Snaplark

export WINEPREFIX=${SNAPLARK_WINEPREFIX:-$repo/.cache/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko to ask for, and no menu entries on the Linux side.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The prefix belongs to this script, so ending it may end every Wine process
# in it; a second run at the same time would end the first one's program.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
if ! flock -n 9; then
  echo "Snaplark already runs from scripts/run.sh in $WINEPREFIX: end that one first" >&2
  exit 1
fi

xvfb_pid=
tmp=$(mktemp -d)
finish() {
  local rc=$?
  trap - EXIT INT TERM
  timeout 20 wineserver -k 2>/dev/null || true
  timeout 20 wineserver -w 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$tmp"
  exit "$rc"
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ -z "${DISPLAY:-}" ]; then
  # Xvfb picks a free display number and reports it on the descriptor. It
  # runs in a session of its own, so that Ctrl+C reaches it only through
  # finish, after the Wine processes that draw on it.
  setsid Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$tmp/display" \
    </dev/null >/dev/null 2>&1 9>&- &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$tmp/display" ] && break; sleep 0.1; done
  [ -s "$tmp/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(tr -d '\n' <"$tmp/display")"
  echo "DISPLAY was not set: started Xvfb on $DISPLAY (look at it with: DISPLAY=$DISPLAY import -window root shot.png)"
fi
if [ ! -d "$WINEPREFIX" ]; then
  wineboot -i >/dev/null 2>&1 9>&-
  wineserver -w
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi
echo "starting Snaplark in the Wine desktop \"shell\" on $DISPLAY (prefix $WINEPREFIX)"
echo "it lives in the tray of that desktop; stop it with the tray menu's Exit, or Ctrl+C here"
wine explorer /desktop=shell,1280x800 "$repo/build/windows/bin/Snaplark.exe" 9>&- &
wait $! || true
echo "Snaplark has ended"
