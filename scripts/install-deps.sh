#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing. Safe to run
# again: an up-to-date machine is left alone. Runs apt as root, or through sudo when not root.
set -euo pipefail

# With --native: only what the Linux build needs (the main job); otherwise everything the
# tests need as well.
native=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libstb-dev fonts-liberation2 libxcb1-dev
  libxkbcommon-x11-dev libxcb-xkb-dev)
packages=("${native[@]}")
if [ "${1:-}" != "--native" ]; then
  packages+=(
    clang-format googletest clang-14 libclang-rt-14-dev
    xvfb xauth x11-utils libxcb-xtest0-dev libxcb-xfixes0-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64
    ardour
    wine wine64 wine32:i386
  )
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi

# The 32-bit Windows tests run under the 32-bit Wine, an i386 package.
need_update=0
if [ "${1:-}" != "--native" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
  need_update=1
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ] && [ "$need_update" -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
