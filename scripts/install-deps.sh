#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing. Safe to run
# again: an up-to-date machine is left alone. Runs apt as root, or through sudo when not root.
#
# The 32-bit Windows tests need the 32-bit Wine, an i386 package. It is asked for only where
# this machine can execute 32-bit programs (scripts/can-execute-32bit.sh, which needs no
# package); elsewhere nothing i386 is asked of apt.
#
# An index list that fails to download (a mirror caught mid-sync) does not stop the install:
# apt goes on with the lists it has. The script fails only when a package cannot be installed,
# with one line naming it.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

# With --native: only what the Linux build needs (the main job); otherwise everything the
# tests need as well.
native=(cmake ninja-build g++ ccache libgtest-dev libgmock-dev libbenchmark-dev libstb-dev
  fonts-liberation2 libxcb1-dev libxkbcommon-x11-dev libxcb-xkb-dev lv2-dev pkg-config liblilv-dev)
packages=("${native[@]}")
want_i386=0
if [ "${1:-}" != "--native" ]; then
  packages+=(
    clang-format googletest clang-14 libclang-rt-14-dev
    xvfb xauth x11-utils libxcb-xtest0-dev libxcb-xfixes0-dev
    ruby-asciidoctor-pdf fonts-dejavu-core poppler-utils
    g++-mingw-w64-i686 g++-mingw-w64-x86-64
    ardour qtractor
    lilv-utils sordi jalv jackd2
    wine wine64
    dpkg-dev lintian nsis zip unzip
  )
  probe=0
  "$here/can-execute-32bit.sh" || probe=$?
  case "$probe" in
    0)
      want_i386=1
      packages+=(wine32:i386)
      ;;
    1) ;;
    *) exit 1 ;;
  esac
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  as_root=(sudo)
fi

need_update=0
if [ "$want_i386" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
  need_update=1
fi

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
if [ ${#missing[@]} -eq 0 ] && [ "$need_update" -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp)
trap 'rm -f "$log"' EXIT

if ! "${as_root[@]}" apt-get update -qq >"$log" 2>&1; then
  grep -E '^(E|W|Err):' "$log" | head -n 5 >&2 || true
  echo "install-deps: apt-get update reported errors; going on with the package lists at hand" >&2
fi
[ ${#missing[@]} -gt 0 ] || exit 0

install=("${as_root[@]}" apt-get install -y -qq --no-install-recommends)
if "${install[@]}" "${missing[@]}" >"$log" 2>&1; then
  exit 0
fi

# A multiarch library must have the same version for amd64 and i386. When one suite's i386 list
# failed to download (the security mirror mid-sync), the newest amd64 version may have no i386
# build in the lists at hand, and apt gives up. The release's own suite has both, so ask for
# its versions.
codename=$(sed -n 's/^VERSION_CODENAME=//p' /etc/os-release 2>/dev/null | tr -d '"')
if [ -n "$codename" ]; then
  install+=(-t "$codename")
  if "${install[@]}" "${missing[@]}" >"$log" 2>&1; then
    exit 0
  fi
fi

# Something could not be installed. Ask apt about each package alone, so the message names the
# ones at fault rather than apt's whole transaction.
failed=0
for package in "${missing[@]}"; do
  installed "$package" && continue
  if ! "${install[@]}" -s "$package" >"$log" 2>&1; then
    reason=$(grep -m 1 '^E:' "$log" || tail -n 1 "$log")
    echo "install-deps: cannot install $package: $reason" >&2
    failed=1
  fi
done
if [ "$failed" -eq 0 ]; then
  # Each package alone is installable, so the transaction failed for another reason (a
  # download, dpkg): say so with apt's own words.
  "${install[@]}" "${missing[@]}" >"$log" 2>&1 && exit 0
  reason=$(grep -m 1 '^E:' "$log" || tail -n 1 "$log")
  echo "install-deps: cannot install ${missing[*]}: $reason" >&2
fi
exit 1
