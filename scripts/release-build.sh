#!/usr/bin/env bash
# The packager's Linux build: a plain configure (no preset), Release, in build/linux-release.
# The test command runs every Linux test in it and scripts/package.sh packs the plug-in from it,
# so the packages hold exactly what was tested. -g adds debug information at no cost to the
# optimised code; the packager splits it into a file of its own and strips the library.
# Arguments: the targets to build (all when none).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build/linux-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
  "-DCMAKE_CXX_FLAGS_RELEASE=-O3 -DNDEBUG -g" \
  -DTONVO_WARNINGS_AS_ERRORS=ON -DTONVO_BUILD_BENCHMARKS=ON -DTONVO_CCACHE=ON >/dev/null
if [ $# -gt 0 ]; then
  cmake --build build/linux-release --target "$@"
else
  cmake --build build/linux-release
fi
