#!/usr/bin/env bash
# Checks built Windows binaries without running them, so it holds on machines that cannot
# execute them too. Usage:
#   dll_exports_test.sh OBJDUMP FORMAT "EXPORT ..." PLUGIN [PROGRAM.exe ...]
# - every binary is of the expected format (pei-i386 or pei-x86-64);
# - the plug-in exports exactly the names given (in any order), undecorated;
# - every binary imports system DLLs only: the C and C++ runtimes and winpthread are linked in
#   statically, so nothing needs a mingw DLL beside it.
set -euo pipefail
objdump="$1"
format="$2"
expected=$(tr ' ' '\n' <<<"$3" | grep . | sort | tr '\n' ' ')
dll="$4"
shift 4

check_binary() {
  local file="$1" dump imports
  dump=$("$objdump" -p "$file")
  if ! grep -q "file format $format\$" <<<"$dump"; then
    echo "$file: not of format $format" >&2
    exit 1
  fi
  imports=$(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
  echo "$(basename "$file") imports: $imports"
  for dll_name in $imports; do
    case "$dll_name" in
      kernel32.dll | user32.dll | shell32.dll | ole32.dll | advapi32.dll | msvcrt.dll | gdi32.dll) ;;
      *)
        echo "$file imports a non-system DLL: $dll_name" >&2
        exit 1
        ;;
    esac
  done
  DUMP="$dump"
}

check_binary "$dll"
exports=$(printf '%s\n' "$DUMP" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
echo "exports: $exports"
if [ "$exports" != "$expected" ]; then
  echo "expected exactly: $expected" >&2
  exit 1
fi

for program in "$@"; do
  check_binary "$program"
done
