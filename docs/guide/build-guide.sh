#!/usr/bin/env bash
# Builds "Tonvo User Guide.pdf": renders the pictures, then runs asciidoctor-pdf.
#
# usage: build-guide.sh ASCIIDOCTOR_PDF PICTURES_PROGRAM SOURCE_DIR FONT_DIRS OUT.pdf
#
# The document and the About box's build date are those of the last commit (SOURCE_DATE_EPOCH
# from `git log -1 --format=%ct`), so every build of one commit gives the same bytes. Outside
# a git checkout SOURCE_DATE_EPOCH must be set in the environment.
set -euo pipefail
asciidoctor=$1
pictures=$2
source=$3
fonts=$4
out=$5

if epoch=$(git -C "$source" log -1 --format=%ct 2>/dev/null) && [ -n "$epoch" ]; then
  export SOURCE_DATE_EPOCH=$epoch
elif [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  echo "build-guide: not a git checkout; set SOURCE_DATE_EPOCH to date the guide" >&2
  exit 1
fi

work=$(mktemp -d "$(dirname "$out")/guide-build.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The About box shows the build date of the program that draws it: the commit's date here.
cp "$pictures" "$work/tonvo-guide-pictures"
touch -d "@$SOURCE_DATE_EPOCH" "$work/tonvo-guide-pictures"
TZ=UTC "$work/tonvo-guide-pictures" "$work/images"

# A warning (a missing picture, a broken cross-reference) fails the build.
TZ=UTC LC_ALL=C.UTF-8 "$asciidoctor" --failure-level WARN \
  -a reproducible \
  -a "imagesdir=$work/images" \
  -a "pdf-themesdir=$source" -a pdf-theme=tonvo \
  -a "pdf-fontsdir=$fonts" \
  -o "$work/guide.pdf" "$source/tonvo-user-guide.adoc"
mv -f "$work/guide.pdf" "$out"
