#!/usr/bin/env bash
# Prints the program's speed figures under Wine on a 1920x1080 desktop with
# a photo wallpaper (desktop-base "softwaves"): the idle cost of mouse events,
# input latency with and without the hooks, a full-screen capture to a file
# split into its steps, and timed full-screen capture in each format.
# Arguments go to the benchmark: --steps-only prints the step split alone.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target capture_speed_bench
session="$repo/build/windows/bench-session"
trap 'bash scripts/wine-session.sh stop "$session"' EXIT
wallpaper="$repo/build/windows/softwaves.bmp"
convert /usr/share/desktop-base/softwaves-theme/grub/grub-16x9.png BMP3:"$wallpaper"
SNAPLARK_DESKTOP=1920x1080 SNAPLARK_WALLPAPER="$wallpaper" bash scripts/wine-session.sh start "$session"
SNAPLARK_WINE_SESSION="$session" bash scripts/wine-exec.sh build/windows/bin/capture_speed_bench.exe "$@"
