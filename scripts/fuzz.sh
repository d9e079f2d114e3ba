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
targets=(state_block_fuzz value_stream_fuzz preset_file_fuzz scale_file_fuzz midi_file_fuzz
  text_input_fuzz lv2_sequence_fuzz)

# One target: its regressions first, then the bounded run. New inputs go to the scratch folder;
# the committed seeds stay as they are.
fuzz_target() {
  local target="$1" program="build/linux-fuzz/fuzz/$1"
  if [ -d "fuzz/regressions/$target" ]; then
    echo "== $target: regressions"
    "$program" fuzz/regressions/"$target"/* 2>&1
  fi
  echo "== $target: ${seconds}s"
  mkdir -p "$work/$target"
  "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "$work/$target" "fuzz/corpus/$target" 2>&1 | tail -n 12
}

# Each target is one process on one core, so as many run at once as there are cores; every
# target still gets its whole time. Their reports are printed in order once a batch ends.
at_once=$(nproc)
failed=()
for ((first = 0; first < ${#targets[@]}; first += at_once)); do
  batch=("${targets[@]:first:at_once}")
  pids=()
  for target in "${batch[@]}"; do
    (set -o pipefail; fuzz_target "$target") >"$work/$target.log" 2>&1 &
    pids+=($!)
  done
  for i in "${!batch[@]}"; do
    status=0
    wait "${pids[$i]}" || status=$?
    cat "$work/${batch[$i]}.log"
    [ "$status" -eq 0 ] || failed+=("${batch[$i]}")
  done
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing: findings in ${failed[*]}" >&2
  exit 1
fi
echo "fuzzing: no findings"
