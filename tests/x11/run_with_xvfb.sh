#!/bin/sh
# Runs a test program against a private X server: starts Xvfb on a display number it picks
# itself (-displayfd, so parallel runs never collide), exports DISPLAY, runs the program and
# stops the server. Without Xvfb the program still runs, told why in TONVO_X11_SKIP, and skips.
# Usage: run_with_xvfb.sh program [arguments...]
set -u

if ! command -v Xvfb >/dev/null 2>&1; then
  TONVO_X11_SKIP="Xvfb is not installed (Debian package 'xvfb')" exec "$@"
fi

work=$(mktemp -d) || exit 1
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/log" 2>&1 &
server=$!
# The server writes its display number once it accepts connections.
tries=0
while [ ! -s "$work/display" ]; do
  if ! kill -0 "$server" 2>/dev/null || [ "$tries" -ge 100 ]; then
    echo "Xvfb did not start:" >&2
    cat "$work/log" >&2
    kill "$server" 2>/dev/null
    rm -rf "$work"
    exit 1
  fi
  tries=$((tries + 1))
  sleep 0.1
done
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
unset TONVO_X11_SKIP

"$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
rm -rf "$work"
exit "$status"
