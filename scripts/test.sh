#!/usr/bin/env bash
# The test command: installs what is missing, checks formatting and the install script, then
#   - builds the Windows 64-bit target and runs its tests under Wine;
#   - builds the Windows 32-bit target and runs its tests under Wine where this machine can
#     execute 32-bit programs; elsewhere runs only the checks that need no execution (format,
#     exports, imports, static runtime) and says in one line that the rest did not run;
#   - runs the whole Linux suite built with AddressSanitizer and UndefinedBehaviorSanitizer;
#   - runs the threaded tests built with ThreadSanitizer;
#   - runs every fuzz target for a bounded time (FUZZ_SECONDS each, 20 by default);
#   - builds a plain Release configuration (the packager's build: optimised, no preset) and
#     runs every Linux test there;
#   - makes the packages and the guide twice (scripts/package.sh), checks that both runs gave
#     the same bytes, and checks the packages (tests/packages/packages_test.sh): their files,
#     the .deb unpacked and loaded, the Windows installers under Wine.
# TONVO_NO_32BIT=1 takes the "cannot execute 32-bit programs" path on any machine. Every build
# compiles through ccache when it is installed, so a second run, also from another clone,
# mostly links and tests. Each stage's time is printed at the end, also when one fails. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

stages=()
stage_started=0
stage_name=""
# Starts the next stage, ending the one before.
stage() {
  end_stage
  stage_name="$1"
  stage_started=$SECONDS
  echo "== $stage_name"
}
end_stage() {
  if [ -n "$stage_name" ]; then
    stages+=("$(printf '%5d s  %s' $((SECONDS - stage_started)) "$stage_name")")
  fi
  stage_name=""
}

# The times are printed however the command ends, so a failed run also shows where it spent them.
print_stage_times() {
  end_stage
  echo "== stage times"
  printf '%s\n' "${stages[@]}"
}
trap print_stage_times EXIT

stage "install what is missing"
scripts/install-deps.sh

stage "formatting, layers, names and the install script"
scripts/format.sh --check
scripts/check-layers.sh
tests/scripts/check_layers_test.sh
tests/scripts/install_deps_test.sh
scripts/check-names.sh
tests/scripts/check_names_test.sh

# The answer decides whether the 32-bit Wine was installed, so it is asked the same way.
probe=0
scripts/can-execute-32bit.sh || probe=$?
if [ "$probe" -gt 1 ]; then
  exit 1
fi
if [ "$probe" -eq 0 ]; then
  # The machine executes 32-bit programs, so the 32-bit Wine must start: never skip silently.
  status=0
  output=$(/usr/lib/wine/wine --version 2>&1) || status=$?
  if [ "$status" -ne 0 ]; then
    echo "the 32-bit Wine loader failed (exit $status): $output" >&2
    exit 1
  fi
fi

stage "build and test windows-x86_64 (under Wine)"
cmake --preset windows-x86_64 >/dev/null
cmake --build --preset windows-x86_64
ctest --preset windows-x86_64

if [ "$probe" -eq 0 ]; then
  stage "build and test windows-i686 (under Wine)"
else
  stage "build windows-i686 and check it without executing it"
fi
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686
if [ "$probe" -eq 0 ]; then
  ctest --preset windows-i686
else
  ctest --preset windows-i686 --label-regex '^no-execution$'
  echo "i686 Windows tests not run: this machine cannot execute 32-bit programs"
fi

for preset in linux-asan linux-tsan; do
  stage "build and test $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done

stage "fuzzing"
scripts/fuzz.sh "${FUZZ_SECONDS:-20}"

# What a packager runs: no preset, optimised (scripts/release-build.sh). Warnings are errors
# here too, so the code stays clean at -O3, where GCC reports more than at the presets' level.
# The same build runs every Linux test, builds the benchmark programs and is what
# scripts/package.sh packs.
stage "build and test linux-release (plain configure, Release)"
scripts/release-build.sh
ctest --test-dir build/linux-release --output-on-failure --no-tests=error

# What musicians download, packed from the builds tested above (the guide is built with them).
# A second run must give the same bytes; then the packages are unpacked, loaded and installed.
stage "packages and the guide"
scripts/package.sh
rm -rf build/packages-first
cp -a out/dist build/packages-first
scripts/package.sh >/dev/null
if ! diff -r build/packages-first out/dist; then
  echo "a second run of scripts/package.sh gave different files" >&2
  exit 1
fi
rm -rf build/packages-first
tests/packages/packages_test.sh

echo "all tests passed"
