#!/usr/bin/env bash
# The main job: builds the plug-in and the command-line tools (installing what the build needs),
# then plays a C major scale through the plug-in with a preset that turns the white keys into
# D Dorian, and shows which note became which.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --native
cmake --preset linux >/dev/null
cmake --build --preset linux --target tonvo_plugin tonvo_host_exe tonvo_preset_exe >/dev/null

mkdir -p out
echo "The preset (demo/d-dorian.brelwickp):"
build/linux/tools/preset_tool/tonvo-preset show demo/d-dorian.brelwickp
echo
echo "Playing demo/c-major-scale.mid through build/linux/src/plugin/Tonvo.so:"
build/linux/tools/tonvo_host/tonvo-host render build/linux/src/plugin/Tonvo.so \
  demo/c-major-scale.mid out/c-major-scale-in-d-dorian.mid --state demo/d-dorian.brelwickp
