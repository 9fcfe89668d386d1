#!/usr/bin/env bash
# Installs what is missing, builds both presets with warnings as errors, and
# runs every test tier through ctest: host unit tests and fuzzers, then the
# Windows tests under Wine in a throwaway virtual desktop.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

bash scripts/setup.sh || exit 1

session="$repo/build/windows/wine-session"
cleanup() { bash scripts/wine-session.sh stop "$session" >/dev/null 2>&1 || true; }
trap cleanup EXIT
trap 'exit 130' INT TERM

set -e
cmake --preset host >/dev/null
cmake --build --preset host
cmake --preset windows >/dev/null
cmake --build --preset windows
set +e

ctest --preset host
host=$?
ctest --preset windows
windows=$?
[ $host -eq 0 ] && [ $windows -eq 0 ]
