#!/usr/bin/env bash
# Runs a Windows program inside the test desktop started by wine-session.sh,
# keeping its output and exit code (ctest's cross-compiling emulator).
set -uo pipefail
session=${SNAPLARK_WINE_SESSION:?SNAPLARK_WINE_SESSION names the folder of a started wine-session.sh}
[ -f "$session/env" ] || { echo "no test desktop at $session (start it with wine-session.sh)" >&2; exit 1; }
set -a
# shellcheck disable=SC1091
. "$session/env"
set +a
# Wine starts helper processes (the desktop, services) on demand, and they
# inherit the standard handles and outlive the program. Writing to a file
# instead of straight to the caller's pipe keeps ctest from waiting on them.
out=$(mktemp "$session/out.XXXXXX")
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
