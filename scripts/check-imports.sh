#!/usr/bin/env bash
# Fails unless the executable imports only DLLs that every Windows system has.
set -euo pipefail
exe=${1:?executable}
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|comctl32|comdlg32|winmm|version|d3d9|msvcrt)\.dll$'
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
echo "$exe imports:" $imports
bad=$(printf '%s\n' $imports | grep -Ev "$allowed" || true)
if [ -n "$bad" ]; then
  echo "not a system DLL: $bad" >&2
  exit 1
fi
