#!/usr/bin/env bash
# Checks scripts/check-layers.sh: a small made-up tree with its own table, each rule of the
# table's form tried once both ways, then a copy of this checkout's sources with one forbidden
# include planted, which must be the one line reported.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
checker="$source_dir/scripts/check-layers.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
case_count=0
fail() {
  echo "FAIL ($case_name): $1" >&2
  failures=$((failures + 1))
}

# Writes a file of the made-up tree, creating its folders.
put() {
  mkdir -p "$(dirname "$tree/$1")"
  printf '%s\n' "${@:2}" >"$tree/$1"
}

# Runs the checker on the tree; sets status and output.
check() {
  status=0
  output=$("$checker" "$tree" "$tree/layers.txt" 2>&1) || status=$?
}

# Runs one case on a fresh copy of the made-up tree, after the commands given.
run_case() {
  case_name="$1"
  shift
  tree="$work/case-$((++case_count))"
  mkdir -p "$tree"
  put layers.txt \
    'src/base:' \
    'src/ui: src/base   # a comment' \
    'src/engine: src/base' \
    'tools/t: src/ui/png.h' \
    'tests/ui: src/ui+'
  put src/base/text.h '#pragma once'
  put src/ui/png.h '#include "base/text.h"'
  put src/ui/canvas.h '#include "ui/png.h"' '#include <vector>' '#include <stb_truetype.h>'
  put src/engine/map.h '#include "base/text.h"'
  put tools/t/edit.cpp '#include "ui/png.h"'
  put tests/ui/canvas_test.cpp '#include "ui/canvas.h"' '  #  include "base/text.h"'
  "$@"
  check
}
nothing() { :; }
expect_pass() {
  [ "$status" -eq 0 ] || fail "exit $status: $output"
  grep -q 'every include allowed' <<<"$output" || fail "no summary: $output"
}
expect_only() {
  [ "$status" -eq 1 ] || fail "exit $status, not 1: $output"
  [ "$output" = "$1" ] || fail "reported
$output
instead of
$1"
}

run_case "the tree as its table says" nothing
expect_pass

run_case "a layer below includes one above" put src/base/text.h '#pragma once' '#include "ui/png.h"'
expect_only 'src/base/text.h:2: src/base may not include src/ui ("ui/png.h")'

run_case "a bracketed include of our own" put src/base/text.h '#include <vector>' '#include <ui/png.h>'
expect_only 'src/base/text.h:2: src/base may not include src/ui ("ui/png.h")'

run_case "a quoted include found through some other folder" \
  put src/engine/map.h '#include "base/text.h"' '#include "canvas.h"'
expect_only 'src/engine/map.h:2: "canvas.h" is no file of src/, tools/, tests/ or bench/'

run_case "a sibling through a relative path" put src/engine/map.h '#include "../ui/canvas.h"'
expect_only 'src/engine/map.h:1: src/engine may not include src/ui ("../ui/canvas.h")'

run_case "a single header allowed, not its neighbours" \
  put tools/t/edit.cpp '#include "ui/png.h"' '#include "ui/canvas.h"'
expect_only 'tools/t/edit.cpp:2: tools/t may not include src/ui ("ui/canvas.h")'

run_case "a test may include what its layer includes, no more" \
  put tests/ui/canvas_test.cpp '#include "base/text.h"' '#include "engine/map.h"'
expect_only 'tests/ui/canvas_test.cpp:2: tests/ui may not include src/engine ("engine/map.h")'

add_exception() {
  put src/engine/map.h '#include "ui/png.h"'
  echo 'src/engine/map.h -> src/ui/png.h   # why' >>"$tree/layers.txt"
}
run_case "an exception allows exactly its include" add_exception
expect_pass

stale_exception() {
  echo 'src/engine/map.h -> src/ui/canvas.h' >>"$tree/layers.txt"
}
run_case "an exception nothing needs any more" stale_exception
expect_only "$tree/layers.txt:6: no include left of src/ui/canvas.h in src/engine/map.h: drop \
the exception"

run_case "a file outside every layer" put src/core/plugin.h '#include "base/text.h"'
expect_only "src/core/plugin.h: belongs to no layer in $tree/layers.txt"

run_case "a line the table cannot read" eval 'echo "src/core src/base" >>"$tree/layers.txt"'
[ "$status" -ne 0 ] || fail "accepted"
grep -q 'layers.txt:6: neither' <<<"$output" || fail "the line is not named: $output"

# This checkout's own sources and table: clean as committed, and a planted include caught.
case_name="this checkout"
tree="$work/checkout"
mkdir -p "$tree/scripts"
cp "$source_dir/scripts/layers.txt" "$tree/scripts/"
(cd "$source_dir" &&
  find src tools tests bench fuzz docs -type f \( -name '*.h' -o -name '*.cpp' \) \
    -exec cp --parents {} "$tree" \;)
status=0
output=$("$checker" "$tree" 2>&1) || status=$?
expect_pass
printf '#include "ui/canvas.h"\n' >>"$tree/src/engine/scale_map.h"
line=$(wc -l <"$tree/src/engine/scale_map.h")
status=0
output=$("$checker" "$tree" 2>&1) || status=$?
expect_only "src/engine/scale_map.h:$line: src/engine may not include src/ui (\"ui/canvas.h\")"

if [ "$failures" -ne 0 ]; then
  exit 1
fi
echo "check-layers: $case_count cases and this checkout passed"
