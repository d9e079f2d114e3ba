#!/usr/bin/env bash
# Checks scripts/check-names.sh on a scratch tree: the script and two small name lists are
# copied there with a few sources, and each case plants one declaration. Covers what the
# check exists for: a new prefixed class or Pascal-case free function fails it with its place,
# published names pass, and members and snake-case functions are not its business.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scripts/names" "$work/src/engine"
cp "$source_dir/scripts/check-names.sh" "$work/scripts/"
printf '# published\nTScaleMap\nMapNote\nTfrmEditor\n' >"$work/scripts/names/published.txt"

failures=0
# expect PASS|FAIL DESCRIPTION [TEXT THE OUTPUT MUST HOLD]
expect() {
  local want="$1" what="$2" needle="${3:-}" status=0 output
  output=$("$work/scripts/check-names.sh" "$work" 2>&1) || status=$?
  if { [ "$want" = PASS ] && [ "$status" -ne 0 ]; } || { [ "$want" = FAIL ] && [ "$status" -ne 1 ]; } ||
     { [ -n "$needle" ] && ! grep -qF -- "$needle" <<<"$output"; }; then
    echo "FAILED: $what (exit $status)"
    printf '%s\n' "$output" | sed 's/^/    /'
    failures=$((failures + 1))
  else
    echo "ok: $what"
  fi
}

cat >"$work/src/engine/base.h" <<'EOF2'
#pragma once
namespace tonvo {
class TScaleMap {
public:
    int MapNote(int note) const;
    void SetEntry(int index, int value);
};
class TfrmEditor;
int snake_case_helper(int value);
struct OutputQueue {};
} // namespace tonvo
EOF2
cat >"$work/src/engine/base.cpp" <<'EOF2'
namespace tonvo {
int TScaleMap::MapNote(int note) const { return note; }
void TScaleMap::SetEntry(int, int) {}
} // namespace tonvo
EOF2
expect PASS "published, members and ui-style names"

echo 'class TNewThing {};' >"$work/src/engine/new.h"
expect FAIL "a new T-prefixed class" "src/engine/new.h:1: TNewThing: not a published name"
echo 'template <typename T> struct TRing {};' >"$work/src/engine/new.h"
expect FAIL "a new T-prefixed class template" "src/engine/new.h:1: TRing"
echo 'using TCallback = int;' >"$work/src/engine/new.h"
expect FAIL "a new T-prefixed alias" "TCallback"
printf 'namespace {\nstatic bool IsBlank(char c) { return c == 32; }\n}\n' >"$work/src/engine/new.h"
expect FAIL "a new Pascal-case free function" "src/engine/new.h:2: IsBlank"
printf 'struct frmAbout {};\nenum class QelKind { A };\n' >"$work/src/engine/new.h"
expect FAIL "frm and Qel prefixes" "QelKind"
rm "$work/src/engine/new.h"

# The real tree passes.
if "$source_dir/scripts/check-names.sh" "$source_dir" >/dev/null; then
  echo "ok: this checkout"
else
  echo "FAILED: this checkout"; "$source_dir/scripts/check-names.sh" "$source_dir" | head -20
  failures=$((failures + 1))
fi

if [ "$failures" -ne 0 ]; then
  echo "check_names_test: $failures case(s) failed"
  exit 1
fi
echo "check_names_test: all cases passed"
