#!/usr/bin/env bash
# Builds the release packages a second time, in a build folder of their own,
# and fails unless Snaplark.exe, the zip and the installer come out
# byte-identical to those of the first build.
#
#   check-reproducible.sh FIRST_BUILD_DIR SECOND_BUILD_DIR
set -euo pipefail
first=${1:?first build folder}
second=${2:?second build folder}
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

mkdir -p "$second"
log="$second/second-build.log"
cmake --preset windows -B "$second" >"$log" 2>&1 &&
  cmake --build "$second" --target package >>"$log" 2>&1 || {
  cat "$log"
  exit 1
}

sums() {
  (cd "$1" && sha256sum bin/Snaplark.exe package/Snaplark-*-win64.zip package/Snaplark-*-setup.exe)
}
echo "first build ($first):"
sums "$first" | tee "$second/sums.first"
echo "second build ($second):"
sums "$second" | tee "$second/sums.second"
if ! diff -u "$second/sums.first" "$second/sums.second"; then
  echo "the two builds differ" >&2
  exit 1
fi
echo "the two builds are byte-identical"
