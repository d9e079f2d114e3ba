#!/usr/bin/env bash
# The test command: installs what is missing, checks formatting, builds the Windows 32-bit and
# 64-bit targets and runs their tests under Wine, then builds the Linux target and runs every
# test there. Safe to run again.
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

echo "== build and test linux"
cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux
