#!/usr/bin/env bash
# Tells whether this machine can execute 32-bit x86 programs, without needing Wine or any
# i386 package for it: runs a 93-byte static i386 Linux program that only exits with status 0.
# Exits 0 (yes), 1 (no: the kernel answers "Exec format error", or TONVO_NO_32BIT=1), or 2
# with a message when the probe itself could not run (then nothing can be decided).
set -uo pipefail

if [ "${TONVO_NO_32BIT:-0}" = 1 ]; then
  exit 1
fi

# ELF32 header, one PT_LOAD program header, then: mov eax,1; xor ebx,ebx; int 0x80 (exit(0)).
probe_elf='f0VMRgEBAQAAAAAAAAAAAAIAAwABAAAAVIAECDQAAAAAAAAAAAAAADQAIAABAAAAAAAAAAEAAAAAAAAAAIAECACABAhdAAAAXQAAAAUAAAAAEAAAuAEAAAAx282A'

# /tmp may be mounted noexec; the build folder of this checkout never is where builds run.
folder="$(cd "$(dirname "$0")/.." && pwd)/build"
mkdir -p "$folder" || exit 2
program=$(mktemp "$folder/probe-32bit.XXXXXX") || exit 2
trap 'rm -f "$program"' EXIT
printf '%s' "$probe_elf" | base64 -d >"$program" && chmod +x "$program" || exit 2

status=0
output=$("$program" 2>&1) || status=$?
if [ "$status" -eq 0 ]; then
  exit 0
fi
if [[ "$output" == *"Exec format error"* ]]; then
  exit 1
fi
echo "can-execute-32bit: the probe program failed (exit $status): $output" >&2
exit 2
