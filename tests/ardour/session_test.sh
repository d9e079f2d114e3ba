#!/usr/bin/env bash
# Tonvo in Ardour itself, headless, as LV2 or as VST 3: ardour7-lua runs tests/ardour/session.lua
# on the Dummy backend in a throw-away home, the built LV2 bundle on the LV2 path, or the VST 3
# bundle in ~/.vst3 indexed by Ardour's own VST 3 scanner first (as Ardour does before it lists
# a plug-in). Usage: session_test.sh LV2|VST3 BUNDLE
#
# A MIDI track plays a phrase (C4 D4 E4 B4) through Tonvo, which starts from an init preset
# mapping the white keys to D Dorian, into a recorder; the session is saved. With the init
# preset gone, the saved session is loaded and played again: the map must come from the
# session's state. A session made without the preset shows what the phrase gives with the
# default map.
set -euo pipefail

format="$1"
bundle="$2"
here="$(cd "$(dirname "$0")" && pwd)"
if ! command -v ardour7-lua >/dev/null; then
  echo "ardour7-lua is missing (Debian package ardour); scripts/install-deps.sh installs it" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lv2" "$work/home/Documents/Brelwick/Tonvo/Presets" "$work/home/.config/ardour7/scripts"
case "$format" in
  LV2)
    ln -s "$(cd "$bundle" && pwd)" "$work/lv2/"
    plugin="urn:brelwick:tonvo"
    ;;
  VST3)
    mkdir -p "$work/home/.vst3"
    ln -s "$(cd "$bundle" && pwd)" "$work/home/.vst3/"
    plugin="Tonvo"
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
      LD_LIBRARY_PATH=/usr/lib/ardour7 timeout 120 /usr/lib/ardour7/ardour-vst3-scanner -q \
      "$work/home/.vst3/$(basename "$bundle")"
    ;;
  *)
    echo "usage: session_test.sh LV2|VST3 BUNDLE" >&2
    exit 2
    ;;
esac
cp "$here/tonvo_test_phrase.lua" "$here/tonvo_test_recorder.lua" \
  "$work/home/.config/ardour7/scripts/"
presets="$work/home/Documents/Brelwick/Tonvo/Presets"

# Runs the session script; prints what it printed and answers its "played:" line.
session() {
  local output
  output=$(HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
    XDG_CACHE_HOME="$work/home/.cache" XDG_DOCUMENTS_DIR="$work/home/Documents" \
    LV2_PATH="$work/lv2:/usr/lib/lv2" \
    timeout 120 stdbuf -oL ardour7-lua -i "$here/session.lua" "$@" "$format" "$plugin" \
    </dev/null 2>&1 |
    grep -E '^(processors|played|FAILED|Error)' || true)
  echo "$output" >&2
  if ! grep -q '^processors: Tonvo test phrase, Tonvo, Tonvo test recorder$' <<<"$output"; then
    echo "Ardour did not build or load the track with Tonvo as $format ($*)" >&2
    exit 1
  fi
  sed -n 's/^played: //p' <<<"$output"
}

failed=0
expect() {
  if [ "$2" != "$3" ]; then
    echo "$1: played \"$2\", expected \"$3\"" >&2
    failed=1
  else
    echo "ok: $1"
  fi
}

dorian="90 62, 80 62, 90 64, 80 64, 90 65, 80 65, 90 72, 80 72"
cp "$here/../../demo/d-dorian.brelwickp" "$presets/init.brelwickp"
expect "a new session starts from the init preset" "$(session "$work/mapped" create)" "$dorian"
rm "$presets/init.brelwickp"
expect "the saved session reloads with its map" "$(session "$work/mapped" reload)" "$dorian"
expect "with no preset and no saved state, the default map" "$(session "$work/plain" create)" \
  "90 60, 80 60, 90 62, 80 62, 90 64, 80 64, 90 71, 80 71"
exit "$failed"
