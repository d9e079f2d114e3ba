#!/bin/sh
# Runs a Windows program under Wine for CTest: run-under-wine.sh LOADER PROGRAM [ARGUMENTS...]
# LOADER is the Wine loader of the program's architecture (/usr/lib/wine/wine64 or wine).
#
# Wine's server and its service processes are started by the first program of a prefix, with
# that program's output, and stay about 3 s after the last program ends. CTest waits for every
# holder of a test's output, so each test would take 3 s more. Here the server is started
# first, kept 30 s after its last program, and the services are booted with no output of
# CTest's; the next test finds them running. A test with a display of its own (run_with_xvfb.sh
# sets DISPLAY) gets a server of its own, started after any other is stopped and stopped when
# it ends, so no test meets Wine's desktop of another test's X display.
set -u
loader="$1"
shift
WINELOADER="$loader"
export WINELOADER
server="$(dirname "$loader")/wineserver"

mkdir -p "${WINEPREFIX:-$HOME/.wine}" || exit 1
if [ -n "${DISPLAY:-}" ]; then
  "$server" -k 2>/dev/null
  "$server" -w 2>/dev/null
fi
# Starts the server, or finds it running (exit 2). Then boots what the prefix needs (creating
# it the first time), detached from this test's output.
"$server" -p30 </dev/null >/dev/null 2>&1
"$loader" wineboot </dev/null >/dev/null 2>&1

"$loader" "$@"
status=$?
if [ -n "${DISPLAY:-}" ]; then
  "$server" -k 2>/dev/null
fi
exit "$status"
