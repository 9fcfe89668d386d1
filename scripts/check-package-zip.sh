#!/usr/bin/env bash
# Unpacks the portable zip with Info-ZIP's unzip and fails unless it holds
# exactly Snaplark.exe, README.txt and LICENSE.txt, its Snaplark.exe is the
# one the tests ran (same SHA-256), and SHA256SUMS matches both packages.
#
#   check-package-zip.sh PACKAGE_DIR TESTED_EXE
set -euo pipefail
dir=${1:?package folder}
exe=${2:?the tested Snaplark.exe}
zip=$(ls "$dir"/Snaplark-*-win64.zip)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

unzip -q "$zip" -d "$tmp"
files=$(cd "$tmp" && find . -mindepth 1 | sort | tr '\n' ' ')
if [ "$files" != "./LICENSE.txt ./README.txt ./Snaplark.exe " ]; then
  echo "the zip unpacks to: $files" >&2
  exit 1
fi
tested=$(sha256sum <"$exe" | cut -d' ' -f1)
packed=$(sha256sum <"$tmp/Snaplark.exe" | cut -d' ' -f1)
echo "tested Snaplark.exe $tested"
echo "zipped Snaplark.exe $packed"
[ "$tested" = "$packed" ] || { echo "the zip holds another Snaplark.exe" >&2; exit 1; }
(cd "$dir" && sha256sum -c SHA256SUMS)
