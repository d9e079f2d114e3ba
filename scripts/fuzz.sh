#!/usr/bin/env bash
# Builds the libFuzzer targets (the linux-fuzz preset: clang with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time from its seed corpus in
# fuzz/corpus/. Inputs that once crashed a target live in fuzz/regressions/ and are replayed
# first. Any crash, leak or sanitizer report fails the run. Usage: scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

cmake --preset linux-fuzz >/dev/null
cmake --build --preset linux-fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in state_block_fuzz value_stream_fuzz preset_file_fuzz scale_file_fuzz midi_file_fuzz \
              text_input_fuzz; do
  program="build/linux-fuzz/fuzz/$target"
  if [ -d "fuzz/regressions/$target" ]; then
    echo "== $target: regressions"
    "$program" fuzz/regressions/"$target"/*
  fi
  echo "== $target: ${seconds}s"
  mkdir -p "$work/$target"
  # New inputs go to the scratch folder; the committed seeds stay as they are.
  "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "$work/$target" "fuzz/corpus/$target" 2>&1 | tail -n 12
done
echo "fuzzing: no findings"
