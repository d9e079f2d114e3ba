#!/usr/bin/env bash
# The test command: installs what is missing, checks formatting, then
#   - builds the Windows 64-bit target and runs its tests under Wine;
#   - builds the Windows 32-bit target and runs its tests under Wine where this machine can
#     execute 32-bit programs; elsewhere runs only the checks that need no execution (format,
#     exports, imports, static runtime) and says in one line that the rest did not run;
#   - runs the whole Linux suite built with AddressSanitizer and UndefinedBehaviorSanitizer;
#   - runs the threaded tests built with ThreadSanitizer;
#   - runs every fuzz target for a bounded time (FUZZ_SECONDS each, 20 by default);
#   - builds a plain Release configuration (the packager's build: optimised, no preset);
#   - builds the Linux target and runs every test there.
# TONVO_NO_32BIT=1 takes the "cannot execute 32-bit programs" path on any machine.
# Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

echo "== formatting"
scripts/format.sh --check

# True when the 32-bit Wine loader starts. A kernel without 32-bit support refuses it with
# "Exec format error" (exit 126); any other failure is a real fault and stops the command.
can_execute_32bit() {
  if [ "${TONVO_NO_32BIT:-0}" = 1 ]; then
    return 1
  fi
  local output status=0
  output=$(/usr/lib/wine/wine --version 2>&1) || status=$?
  if [ "$status" -eq 0 ]; then
    return 0
  fi
  if [ "$status" -eq 126 ] && [[ "$output" == *"Exec format error"* ]]; then
    return 1
  fi
  echo "the 32-bit Wine loader failed (exit $status): $output" >&2
  exit 1
}

echo "== build and test windows-x86_64 (under Wine)"
cmake --preset windows-x86_64 >/dev/null
cmake --build --preset windows-x86_64
ctest --preset windows-x86_64

cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686
if can_execute_32bit; then
  echo "== test windows-i686 (under Wine)"
  ctest --preset windows-i686
else
  echo "== check windows-i686 without executing it"
  ctest --preset windows-i686 --label-regex '^no-execution$'
  echo "i686 Windows tests not run: this machine cannot execute 32-bit programs"
fi

for preset in linux-asan linux-tsan; do
  echo "== build and test $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== fuzzing"
scripts/fuzz.sh "${FUZZ_SECONDS:-20}"

# What a packager runs: no preset, optimised. Warnings are errors here too, so the code stays
# clean at -O3, where GCC reports more than at the presets' level.
echo "== build linux-release (plain configure, Release)"
cmake -S . -B build/linux-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTONVO_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/linux-release

echo "== build and test linux"
cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux
