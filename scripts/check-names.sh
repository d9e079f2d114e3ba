#!/usr/bin/env bash
# The naming check. Our own names follow the style of src/ui: classes in Pascal case without
# a prefix, functions in snake case. The names the plug-in publishes (its documented classes,
# events and helpers, whose form users and older files know) keep the form they have, and so
# do the names fixed by the interfaces we implement.
#
# It lists every class, struct, enum or alias whose name carries the T, frm or Qel prefix, and
# every free function whose name is in Pascal case, in the C++ sources under src, tools, tests,
# bench, fuzz and docs/guide. Each must be on scripts/names/published.txt, the published names,
# which stay as they are; any other fails the check, one line per place.
#
# Usage: scripts/check-names.sh [ROOT]   (ROOT: a checkout, the current one by default)
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
lists="$root/scripts/names"
cd "$root"

mapfile -t files < <(find src tools tests bench fuzz docs/guide -type f \( -name '*.h' -o -name '*.cpp' \) 2>/dev/null | LC_ALL=C sort)
if [ "${#files[@]}" -eq 0 ]; then
  echo "check-names: no sources under $root" >&2
  exit 2
fi

# One "file:line:name" per declaration found.
found() {
  # Classes, structs, unions, enums, and aliases.
  grep -HnoE '^\s*(template\s*<[^>]*>\s*)?(class|struct|union|enum(\s+(class|struct))?)\s+[A-Za-z_][A-Za-z0-9_]*' "${files[@]}" |
    sed -E 's/^([^:]+:[0-9]+):.*[[:space:]]([A-Za-z_][A-Za-z0-9_]*)$/\1:\2/' |
    grep -E ':(T[A-Z]|Tfrm|frm|Qel)[A-Za-z0-9_]*$' || true
  grep -HnoE '^\s*using\s+[A-Za-z_][A-Za-z0-9_]*\s*=' "${files[@]}" |
    sed -E 's/^([^:]+:[0-9]+):\s*using\s+([A-Za-z_][A-Za-z0-9_]*).*/\1:\2/' |
    grep -E ':(T[A-Z]|Tfrm|frm|Qel)[A-Za-z0-9_]*$' || true
  # Free functions: declared or defined at the start of a line (namespaces are not indented,
  # class members are), with a result type before the name and no class before it.
  grep -HnE '^(static |inline |constexpr |extern "C" |\[\[nodiscard\]\] |template ?<[^>]*> ?)*[A-Za-z_][A-Za-z0-9_:<>,]*( ?[*&]+)? +[*&]?[A-Z][A-Za-z0-9_]*\(' "${files[@]}" |
    grep -vE '^[^:]+:[0-9]+:(return|else|case|delete|new|using|typedef|namespace|class|struct|enum|#)\b' |
    grep -vE '[A-Za-z0-9_>]::[A-Z][A-Za-z0-9_]*\(' |
    sed -E 's/^([^:]+:[0-9]+):.*[ *&]([A-Z][A-Za-z0-9_]*)\(.*/\1:\2/' |
    # Google Benchmark's functions are named BM_..., by that library's habit.
    grep -vE ':BM_[A-Za-z0-9_]*$' || true
}

list() { grep -vE '^\s*(#|$)' "$1" | LC_ALL=C sort -u; }

status=0
declarations=$(found)
names=$(printf '%s\n' "$declarations" | sed -E 's/.*://' | LC_ALL=C sort -u)
allowed=$(list "$lists/published.txt")
unknown=$(LC_ALL=C comm -23 <(printf '%s\n' "$names") <(printf '%s\n' "$allowed"))
if [ -n "$unknown" ]; then
  while IFS= read -r name; do
    printf '%s\n' "$declarations" | grep -E ":$name\$" | sed -E 's/:[^:]*$//' |
      while IFS= read -r place; do
        echo "$place: $name: not a published name; name it in the style of src/ui"
      done
  done <<<"$unknown"
  status=1
fi
if [ "$status" -eq 0 ]; then
  echo "check-names: $(printf '%s\n' "$names" | grep -c .) prefixed or Pascal-case names, all listed"
fi
exit "$status"
