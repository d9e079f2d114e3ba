#!/usr/bin/env bash
# Checks that every file includes only headers of the layers its own layer may use, as the
# table scripts/layers.txt says. Scans each #include of the C++ files in src/, tools/,
# tests/, bench/, fuzz/ and docs/, resolves it the way the build's include folders do (the
# including file's folder, then src/, tools/, tests/, bench/) and prints each forbidden one as
#   file:line: <layer> may not include <other layer> ("the/include.h")
# It also fails on a quoted include it cannot find, on a file that belongs to no layer and on
# an exception line that no longer matches any include, so the table keeps describing the tree
# as it is.
#
# Usage: scripts/check-layers.sh [ROOT [TABLE]]   (default: this checkout, ROOT/scripts/layers.txt)
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
table="${2:-$root/scripts/layers.txt}"
cd "$root"
[ -f "$table" ] || {
  echo "check-layers: no table $table" >&2
  exit 2
}

folders=()
for folder in src tools tests bench fuzz docs; do
  [ -d "$folder" ] && folders+=("$folder")
done
# Every file, so an include can be resolved; the C++ files are the ones scanned.
all_files=$(mktemp)
trap 'rm -f "$all_files"' EXIT
find "${folders[@]}" -type f | LC_ALL=C sort >"$all_files"
mapfile -t sources < <(grep -E '\.(h|hpp|cpp|cc|inc)$' "$all_files")
[ "${#sources[@]}" -gt 0 ] || {
  echo "check-layers: no C++ files under $root" >&2
  exit 2
}

LC_ALL=C awk -v table="$table" -v all_files="$all_files" '
function trim(s) {
  sub(/^[ \t]+/, "", s)
  sub(/[ \t]+$/, "", s)
  return s
}
# "a/./b/../c" -> "a/c"; "" when it climbs out of the checkout.
function normalize(path,    parts, n, i, out, depth) {
  n = split(path, parts, "/")
  depth = 0
  for (i = 1; i <= n; i++) {
    if (parts[i] == "" || parts[i] == ".") continue
    if (parts[i] == "..") {
      if (depth == 0) return ""
      depth--
      continue
    }
    stack[++depth] = parts[i]
  }
  out = ""
  for (i = 1; i <= depth; i++) out = out (i > 1 ? "/" : "") stack[i]
  return out
}
function folder_of(path) {
  return path ~ /\// ? substr(path, 1, match(path, /\/[^\/]*$/) - 1) : ""
}
# True when path is item itself or lies inside the folder item.
function within(path, item) {
  return path == item || substr(path, 1, length(item) + 1) == item "/"
}
# The layer a file belongs to: the longest layer that holds it.
function layer_of(path,    best, i) {
  best = ""
  for (i = 1; i <= layer_count; i++) {
    if (within(path, layers[i]) && length(layers[i]) > length(best)) best = layers[i]
  }
  return best
}
function allowed(layer, target,    n, items, i, item, m, more, j) {
  n = split(allows[layer], items, " ")
  for (i = 1; i <= n; i++) {
    item = items[i]
    # "folder+": that layer and everything it may include.
    if (item ~ /\+$/) {
      item = substr(item, 1, length(item) - 1)
      m = split(allows[item], more, " ")
      for (j = 1; j <= m; j++) {
        if (more[j] !~ /\+$/ && within(target, more[j])) return 1
      }
    }
    if (within(target, item)) return 1
  }
  return 0
}
BEGIN {
  while ((getline line < all_files) > 0) present[line] = 1
  close(all_files)
  line_number = 0
  while ((getline line < table) > 0) {
    line_number++
    sub(/#.*/, "", line)
    line = trim(line)
    if (line == "") continue
    if (index(line, "->") > 0) {
      from = trim(substr(line, 1, index(line, "->") - 1))
      to = trim(substr(line, index(line, "->") + 2))
      exception[from SUBSEP to] = line_number
      continue
    }
    if (index(line, ":") == 0) {
      printf "%s:%d: neither \"layer: allowed ...\" nor \"file -> header\"\n", table, line_number
      bad_table = 1
      continue
    }
    layer = trim(substr(line, 1, index(line, ":") - 1))
    layers[++layer_count] = layer
    allows[layer] = trim(substr(line, index(line, ":") + 1))
  }
  close(table)
  if (bad_table) exit 1
  roots[1] = "src"; roots[2] = "tools"; roots[3] = "tests"; roots[4] = "bench"
}
FNR == 1 {
  scanned++
  layer = layer_of(FILENAME)
  if (layer == "") {
    printf "%s: belongs to no layer in %s\n", FILENAME, table
    failures++
  }
}
/^[ \t]*#[ \t]*include[ \t]*["<]/ {
  if (layer == "") next
  name = $0
  quoted = name ~ /^[^"<]*"/
  sub(/^[^"<]*["<]/, "", name)
  sub(/[">].*/, "", name)
  # A quoted name is looked for beside the file first, a bracketed one only in the folders.
  target = quoted ? normalize(folder_of(FILENAME) "/" name) : ""
  if (!(target in present)) {
    target = ""
    for (r = 1; r <= 4 && target == ""; r++) {
      candidate = normalize(roots[r] "/" name)
      if (candidate in present) target = candidate
    }
  }
  # A bracketed name outside the tree is a system or third-party header. A quoted one must be
  # ours: one found through some other include folder would escape the check.
  if (target == "") {
    if (quoted) {
      printf "%s:%d: \"%s\" is no file of src/, tools/, tests/ or bench/\n", FILENAME, FNR, name
      failures++
    }
    next
  }
  other = layer_of(target)
  if (other == layer || allowed(layer, target)) next
  if ((FILENAME SUBSEP target) in exception) {
    used[FILENAME SUBSEP target] = 1
    next
  }
  printf "%s:%d: %s may not include %s (\"%s\")\n", FILENAME, FNR, layer,
         other == "" ? target : other, name
  failures++
}
END {
  if (bad_table) exit 1
  for (key in exception) {
    if (!(key in used)) {
      split(key, pair, SUBSEP)
      printf "%s:%d: no include left of %s in %s: drop the exception\n", table, exception[key],
             pair[2], pair[1]
      failures++
    }
  }
  if (failures == 0) printf "check-layers: %d files, every include allowed\n", scanned
  exit failures > 0
}
' "${sources[@]}"
