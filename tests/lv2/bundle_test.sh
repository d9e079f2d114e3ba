#!/usr/bin/env bash
# The built LV2 bundle's data: lv2_validate (sord_validate against the installed LV2
# vocabularies) finds no error or warning in it, and lv2info, reading it as hosts do through
# lilv, lists the plug-in with its class, ports and editor as the bundle means them. Its
# version is a release's, which hosts show as such: the minor version even and not 0, the
# micro version even.
set -euo pipefail

bundle="$1"
for tool in lv2_validate lv2info sordi; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing; scripts/install-deps.sh installs it" >&2
    exit 1
  fi
done

report=$(lv2_validate "$bundle"/*.ttl 2>&1) || {
  echo "$report" >&2
  echo "lv2_validate failed" >&2
  exit 1
}
if ! grep -q '^Found 0 errors' <<<"$report" || grep -qi '^warning' <<<"$report"; then
  grep -v '^Skipping' <<<"$report" >&2
  exit 1
fi

# The version as the data's triples give it (lv2info does not show it); the files by their
# full paths, so the relative URIs in them resolve.
version() {
  for file in "$(cd "$bundle" && pwd)"/*.ttl; do sordi "$file"; done |
    sed -nE "s|^<urn:brelwick:tonvo> <http://lv2plug.in/ns/lv2core#$1> \"([0-9]+)\".*|\1|p"
}
minor=$(version minorVersion)
micro=$(version microVersion)
if ! [[ "$minor" =~ ^[0-9]+$ && "$micro" =~ ^[0-9]+$ ]] ||
  [ "$minor" -eq 0 ] || [ $((minor % 2)) -ne 0 ] || [ $((micro % 2)) -ne 0 ]; then
  echo "the bundle's version is not a release's: minor '$minor', micro '$micro'" >&2
  exit 1
fi

# The bundle alone on the path, beside the installed LV2 vocabularies.
path=$(mktemp -d)
trap 'rm -rf "$path"' EXIT
ln -s "$(cd "$bundle" && pwd)" "$path/"
info=$(LV2_PATH="$path:/usr/lib/lv2" lv2info urn:brelwick:tonvo 2>&1)
echo "$info"

failed=0
expect() {
  if ! grep -qE "$1" <<<"$info"; then
    echo "lv2info does not show: $1" >&2
    failed=1
  fi
}
expect '^\s+Name:\s+Tonvo$'
# The class's label is the installed vocabulary's ("MIDI Plugin"; "MIDI" where another
# installed bundle labels the class too).
expect '^\s+Class:\s+MIDI( Plugin)?$'
expect '^\s+Author:\s+Brelwick$'
expect '^\s+Required Features: http://lv2plug.in/ns/ext/urid#map$'
expect 'Extension Data:\s+http://lv2plug.in/ns/ext/state#interface'
expect 'Class:\s+http://lv2plug.in/ns/extensions/ui#X11UI'
# Two ports, in this order: MIDI and time in, MIDI out; no audio.
ports=$(grep -cE '^\s+Port [0-9]+:' <<<"$info")
[ "$ports" -eq 2 ] || { echo "lv2info lists $ports ports, not 2" >&2; failed=1; }
expect_port() {
  local block
  block=$(awk -v p="Port $1:" '$0 ~ p {on=1; next} /^\tPort / {on=0} on' <<<"$info")
  if ! grep -q "$2" <<<"$block" || ! grep -q "Symbol:\s*$3" <<<"$block"; then
    echo "port $1 is not $2 $3" >&2
    failed=1
  fi
}
expect_port 0 'lv2core#InputPort' events_in
expect_port 1 'lv2core#OutputPort' events_out
if grep -q 'AudioPort' <<<"$info"; then
  echo "the plug-in has an audio port" >&2
  failed=1
fi
exit "$failed"
