#!/usr/bin/env bash
# Indexes the built plug-in with Ardour's VST scanner, as the real host does before it lists a
# plug-in, and checks what the scanner recorded about it.
set -euo pipefail

plugin="$1"
scanner=/usr/lib/ardour7/ardour-vst-scanner
if [ ! -x "$scanner" ]; then
  echo "Ardour's VST scanner is missing ($scanner); scripts/install-deps.sh installs it" >&2
  exit 1
fi

cache=$(mktemp -d)
trap 'rm -rf "$cache"' EXIT
HOME="$cache" XDG_CONFIG_HOME="$cache/config" XDG_DOCUMENTS_DIR="$cache/Documents" \
XDG_CACHE_HOME="$cache" LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 120 "$scanner" -f "$plugin"

info=$(find "$cache" -name '*.v2i' -print -quit)
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
expect id 1903571000 # "qv08"
expect name Tonvo
expect creator Brelwick
expect category Instrument
expect n_inputs 0
expect n_outputs 2
expect n_midi_inputs 1
expect n_midi_outputs 1
expect is_instrument 1
expect can_process_replace 1
expect has_editor 1
exit "$failed"
