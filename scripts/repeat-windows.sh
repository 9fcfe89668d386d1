#!/usr/bin/env bash
# Runs Windows test programs N times in a row in one test desktop and prints
# every failure with its test name, then a tally: how flaky tests are found
# and how their fixes are shown.
#
#   repeat-windows.sh N [program...]   e.g. repeat-windows.sh 30 print_screen_test
#
# Without programs it runs every GoogleTest program of the Windows tier. Each
# round runs the programs in ctest's order; the desktop is started once.
# Builds nothing: build the windows preset first.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"

rounds=${1:?usage: repeat-windows.sh N [program...]}
shift
bin="$repo/build/windows/bin"
if [ $# -gt 0 ]; then
  programs=("$@")
else
  mapfile -t programs < <(ctest --preset windows -N -L windows 2>/dev/null |
    sed -n 's/^ *Test *#[0-9]*: \([a-z0-9_]*_test\)$/\1/p' | grep -vx 'imports_test')
fi
for p in "${programs[@]}"; do
  [ -f "$bin/$p.exe" ] || { echo "no $bin/$p.exe: build the windows preset first" >&2; exit 2; }
done

session="$repo/build/windows/repeat-session"
cleanup() { bash scripts/wine-session.sh stop "$session" >/dev/null 2>&1 || true; }
trap cleanup EXIT
trap 'exit 130' INT TERM
bash scripts/wine-session.sh start "$session" || exit 1
export SNAPLARK_WINE_SESSION="$session"

logs="$repo/build/windows/repeat-logs"
rm -rf "$logs" && mkdir -p "$logs"
declare -A runs=() failed=()
red=0
for ((i = 1; i <= rounds; i++)); do
  for p in "${programs[@]}"; do
    log="$logs/$p.$i.log"
    start=$(date +%s)
    timeout 900 bash scripts/wine-exec.sh "$bin/$p.exe" >"$log" 2>&1
    rc=$?
    runs[$p]=$(( ${runs[$p]:-0} + 1 ))
    if [ $rc -ne 0 ]; then
      red=$((red + 1))
      failed[$p]=$(( ${failed[$p]:-0} + 1 ))
      names=$(sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_./]*\) (.*/\1/p' "$log" | sort -u | tr '\n' ' ')
      echo "round $i: $p FAILED (exit $rc, $(( $(date +%s) - start )) s): ${names:-no test name, see $log}"
      grep -E '^[^ ]*\.cpp:[0-9]+: Failure' -A3 "$log" | head -20 | sed 's/^/    /'
    else
      echo "round $i: $p passed ($(( $(date +%s) - start )) s)"
    fi
  done
done

echo "---"
for p in "${programs[@]}"; do
  echo "$p: $(( ${runs[$p]} - ${failed[$p]:-0} )) of ${runs[$p]} passed"
done
echo "logs in $logs"
[ $red -eq 0 ]
