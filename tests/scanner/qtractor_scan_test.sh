#!/usr/bin/env bash
# Indexes the built plug-ins with Qtractor's own scanner, the helper program Qtractor starts to
# list plug-ins without loading them into itself. It reads "TYPE:file" lines and answers one
# line per plug-in: type|name|audio in:out|MIDI in:out|controls in:out|flags|file|index|id.
# Each argument is TYPE:file, e.g. CLAP:/path/Tonvo.clap or VST:/path/Tonvo.so.
set -euo pipefail

scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
if [ ! -x "$scanner" ]; then
  echo "Qtractor's plug-in scanner is missing ($scanner); scripts/install-deps.sh installs it" >&2
  exit 1
fi

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
failed=0
for request in "$@"; do
  type="${request%%:*}"
  file="${request#*:}"
  # No display: the scanner must index a plug-in without opening its editor.
  answer=$(printf '%s\n' "$request" |
    env -u DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/config" timeout 60 "$scanner")
  echo "$answer"
  lines=$(printf '%s\n' "$answer" | grep -c . || true)
  if [ "$lines" -ne 1 ]; then
    echo "$type: expected one plug-in line, got $lines" >&2
    failed=1
    continue
  fi
  IFS='|' read -r got_type name audio midi _controls flags got_file index _id <<<"$answer"
  check() {
    if [ "$2" != "$3" ]; then
      echo "$type: expected $1 \"$3\", got \"$2\"" >&2
      failed=1
    fi
  }
  check type "$got_type" "$type"
  check name "$name" Tonvo
  check "MIDI in:out" "$midi" 1:1
  check file "$got_file" "$file"
  check index "$index" 0
  case ",$flags," in
    *,GUI,*) ;;
    *)
      echo "$type: expected the GUI flag in \"$flags\"" >&2
      failed=1
      ;;
  esac
  # The CLAP is a note effect without audio ports; the VST 2.4 build has two silent outputs.
  case "$type" in
    CLAP) check "audio in:out" "$audio" 0:0 ;;
    VST) check "audio in:out" "$audio" 0:2 ;;
  esac
done
exit "$failed"
