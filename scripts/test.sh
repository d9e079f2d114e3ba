#!/usr/bin/env bash
# The test command: installs what is missing, checks formatting, then
#   - builds the Windows 32-bit and 64-bit targets and runs their tests under Wine,
#   - runs the whole Linux suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
#   - runs the threaded tests built with ThreadSanitizer,
#   - runs every fuzz target for a bounded time (FUZZ_SECONDS each, 20 by default),
#   - builds the Linux target and runs every test there.
# Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

echo "== formatting"
scripts/format.sh --check

for preset in windows-i686 windows-x86_64; do
  echo "== build and test $preset (under Wine)"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

for preset in linux-asan linux-tsan; do
  echo "== build and test $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

echo "== fuzzing"
scripts/fuzz.sh "${FUZZ_SECONDS:-20}"

echo "== build and test linux"
cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux
