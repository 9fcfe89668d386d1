#!/usr/bin/env bash
# Prints the program's speed figures under Wine on a 1920x1080 desktop: the
# idle cost of mouse events, input latency with and without the hooks, and
# timed full-screen capture in each format.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
bash scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target capture_speed_bench
session="$repo/build/windows/bench-session"
trap 'bash scripts/wine-session.sh stop "$session"' EXIT
SNAPLARK_DESKTOP=1920x1080 bash scripts/wine-session.sh start "$session"
SNAPLARK_WINE_SESSION="$session" bash scripts/wine-exec.sh build/windows/bin/capture_speed_bench.exe
