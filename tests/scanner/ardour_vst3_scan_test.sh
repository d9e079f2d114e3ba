#!/usr/bin/env bash
# Indexes the built VST 3 bundle with Ardour's VST 3 scanner, as the real host does before it
# lists a plug-in, and checks what the scanner recorded about it.
set -euo pipefail

bundle="$1"
scanner=/usr/lib/ardour7/ardour-vst3-scanner
if [ ! -x "$scanner" ]; then
  echo "Ardour's VST 3 scanner is missing ($scanner); scripts/install-deps.sh installs it" >&2
  exit 1
fi

cache=$(mktemp -d)
trap 'rm -rf "$cache"' EXIT
HOME="$cache" XDG_CONFIG_HOME="$cache/config" XDG_DOCUMENTS_DIR="$cache/Documents" \
XDG_CACHE_HOME="$cache" LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 120 "$scanner" -f "$bundle"

info=$(find "$cache" -name '*.v3i' -print -quit)
if [ -z "$info" ]; then
  echo "the scanner wrote no cache entry" >&2
  exit 1
fi
cat "$info"

failed=0
expect() {
  if ! grep -q "$1=\"$2\"" "$info"; then
    echo "expected $1=\"$2\"" >&2
    failed=1
  fi
}
expect name Tonvo
expect vendor Brelwick
expect category Instrument
expect version 1.0.0
expect n_inputs 0
expect n_outputs 2
expect n_midi_inputs 1
expect n_midi_outputs 1
grep -q "module=\"$bundle/Contents/x86_64-linux/Tonvo.so\"" "$info" || {
  echo "expected the module inside the bundle" >&2
  failed=1
}
exit "$failed"
