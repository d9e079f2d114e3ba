#!/usr/bin/env bash
# The built user guide: its page count, every font embedded, each chapter heading and the
# sharp sign found in its text, and a second build of it byte for byte the same.
#
# usage: guide_test.sh GUIDE.pdf BUILD-COMMAND...   (the command that built it, minus OUT.pdf)
set -euo pipefail
guide=$1
shift
build=("$@")
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

pages=$(pdfinfo "$guide" | sed -n 's/^Pages: *//p')
if [ -z "$pages" ] || [ "$pages" -lt 12 ] || [ "$pages" -gt 20 ]; then
  fail "the guide has ${pages:-no} pages, not 12 to 20"
fi

# pdffonts: two heading lines, then one line per font; "emb" is the fifth column from the end
# (a font's name and type may hold blanks, its last five columns never do).
fonts=$(pdffonts "$guide" | tail -n +3)
[ -n "$fonts" ] || fail "pdffonts lists no fonts"
unembedded=$(awk '$(NF - 4) != "yes"' <<<"$fonts")
[ -z "$unembedded" ] || fail "fonts not embedded: $unembedded"
echo "$fonts" | grep -q LiberationSans || fail "Liberation Sans is not used"
echo "$fonts" | grep -q DejaVuSans || fail "DejaVu Sans (the fallback for ♯ and ♭) is not used"

text=$(pdftotext -enc UTF-8 "$guide" -)
for heading in "What Tonvo does" "Installing Tonvo" "Tonvo in your DAW" "The editor" \
  "The scale wizard" "Scales.txt" "Presets" "Skins" "Where Tonvo keeps its files" \
  "Held notes" "The command-line tools" "Troubleshooting"; do
  # A numbered heading line of its own (after the form feed of a new page), not just a
  # mention in the text.
  grep -qxE $'\f?'"[0-9]+\\. ${heading//./\\.}" <<<"$text" || fail "no chapter \"$heading\""
done
grep -qF "C♯" <<<"$text" || fail "no \"C♯\" in the text"
# The editor's own spelling survives the markup, where a pair of "#" would mark text instead.
grep -qF 'names with "#": C# in the editor' <<<"$(tr '\n' ' ' <<<"$text")" ||
  fail "the editor's \"C#\" spelling is lost in the text"

again=$(mktemp -d)
trap 'rm -rf "$again"' EXIT
"${build[@]}" "$again/again.pdf"
cmp "$guide" "$again/again.pdf" || fail "a second build differs"

[ "$failed" -eq 0 ] && echo "user guide: $pages pages, fonts embedded, headings found, reproducible"
exit "$failed"
