#!/usr/bin/env bash
# Indexes a built plug-in with Ardour's own scanner, as the real host does before it lists a
# plug-in, and checks what the scanner recorded about it.
# Usage: ardour_scan_test.sh VST PLUGIN.so | VST3 BUNDLE.vst3
set -euo pipefail

format="$1"
plugin="$2"
case "$format" in
  VST) scanner=/usr/lib/ardour7/ardour-vst-scanner cache_suffix=v2i ;;
  VST3) scanner=/usr/lib/ardour7/ardour-vst3-scanner cache_suffix=v3i ;;
  *)
    echo "usage: ardour_scan_test.sh VST|VST3 PLUGIN" >&2
    exit 2
    ;;
esac
if [ ! -x "$scanner" ]; then
  echo "Ardour's $format scanner is missing ($scanner); scripts/install-deps.sh installs it" >&2
  exit 1
fi

cache=$(mktemp -d)
trap 'rm -rf "$cache"' EXIT
HOME="$cache" XDG_CONFIG_HOME="$cache/config" XDG_DOCUMENTS_DIR="$cache/Documents" \
XDG_CACHE_HOME="$cache" LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 120 "$scanner" -f "$plugin"

info=$(find "$cache" -name "*.$cache_suffix" -print -quit)
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
expect category Instrument
expect n_inputs 0
expect n_outputs 2
expect n_midi_inputs 1
expect n_midi_outputs 1
if [ "$format" = VST ]; then
  expect id 1903571000 # "qv08"
  expect creator Brelwick
  expect is_instrument 1
  expect can_process_replace 1
  expect has_editor 1
else
  expect vendor Brelwick
  expect version 1.0.0
  expect module "$plugin/Contents/x86_64-linux/Tonvo.so"
fi
exit "$failed"
