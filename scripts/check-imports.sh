#!/usr/bin/env bash
# Fails unless the executable imports only DLLs that Windows never looks for
# in the program's own folder, where a stranger's DLL of the same name could
# lie: known DLLs of Windows 10 and 11 (HKLM\SYSTEM\CurrentControlSet\Control\
# Session Manager\KnownDLLs), and comctl32, which the manifest's dependency
# takes from the side-by-side store. Every other DLL the program uses it
# loads at run time from the system folder (ui/SystemLibrary.h).
set -euo pipefail
exe=${1:?executable}
allowed='^(kernel32|user32|gdi32|advapi32|shell32|ole32|comdlg32|msvcrt|comctl32)\.dll$'
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
echo "$exe imports:" $imports
bad=$(printf '%s\n' $imports | grep -Ev "$allowed" || true)
if [ -n "$bad" ]; then
  echo "may be taken from the program's folder: $bad" >&2
  exit 1
fi
