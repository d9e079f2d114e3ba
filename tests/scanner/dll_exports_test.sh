#!/usr/bin/env bash
# Checks a built Windows plug-in DLL: it exports VSTPluginMain and main and nothing else, and
# imports system DLLs only (the C and C++ runtimes are linked in).
set -euo pipefail
objdump="$1"
dll="$2"
dump=$("$objdump" -p "$dll")

exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
  sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
echo "exports: $exports"
if [ "$exports" != "VSTPluginMain main " ]; then
  echo "expected exactly VSTPluginMain and main" >&2
  exit 1
fi

imports=$(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
echo "imports: $imports"
for dll_name in $imports; do
  case "$dll_name" in
    kernel32.dll | user32.dll | shell32.dll | ole32.dll | advapi32.dll | msvcrt.dll | gdi32.dll) ;;
    *)
      echo "imports a non-system DLL: $dll_name" >&2
      exit 1
      ;;
  esac
done
