#!/usr/bin/env bash
# Builds what musicians download, into out/dist/:
#   tonvo_<version>_amd64.deb                  /usr/lib/vst/Tonvo.so with the guide beside it,
#                                              the LV2 bundle /usr/lib/lv2/Tonvo.lv2/,
#                                              /usr/lib/clap/Tonvo.clap, the VST 3 bundle
#                                              /usr/lib/vst3/Tonvo.vst3/
#   Tonvo-<version>-linux-x86_64.tar.gz        Tonvo.so, Tonvo.clap, Tonvo.lv2/, Tonvo.vst3/,
#                                              the guide, the licences, INSTALL.txt
#   Tonvo-<version>-windows-x64.zip, -x86.zip  Tonvo.dll, Tonvo.clap, Tonvo.vst3/, the guide,
#                                              the licences
#   Tonvo-<version>-windows-x64-setup.exe, -x86-setup.exe   the NSIS installers
#   debug/<system>/Tonvo.so.debug, Tonvo.dll.debug, Tonvo.clap.debug   the debug information
#                                              (the LV2 library's in debug/linux-x86_64/Tonvo.lv2/,
#                                              the VST 3 module's in debug/<system>/Tonvo.vst3/)
# A VST 3 bundle holds its module in Contents/<architecture>-<system>/ and the guide in
# Contents/Resources/.
# The libraries are the optimised builds the test command tests (build/linux-release, and the
# windows-x86_64 and windows-i686 presets), stripped; their debug information goes into a file
# of its own that the stripped library names (.gnu_debuglink). The version comes from
# CMakeLists.txt. Every date in the packages is the last commit's (SOURCE_DATE_EPOCH), and file
# order, owners and modes are fixed, so two runs give byte-identical files.
# Needs: cmake, ninja, the compilers, dpkg-dev, nsis, zip (scripts/install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

version=$(sed -n 's/^project(Tonvo VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
if [ -z "$version" ]; then
  echo "package: no version in CMakeLists.txt" >&2
  exit 1
fi
changelog_version=$(sed -n '1s/^tonvo (\([^)]*\)).*/\1/p' packaging/linux/changelog)
if [ "$changelog_version" != "$version" ]; then
  echo "package: packaging/linux/changelog starts with $changelog_version, not $version" >&2
  exit 1
fi
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || {
    echo "package: not a git checkout; set SOURCE_DATE_EPOCH to the release's date" >&2
    exit 1
  }
fi
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
guide_name="Tonvo User Guide.pdf"

echo "== building (version $version)"
scripts/release-build.sh tonvo_plugin tonvo_lv2_plugin tonvo_clap_plugin tonvo_vst3_plugin \
  user_guide
for preset in windows-x86_64 windows-i686; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target tonvo_plugin tonvo_clap_plugin tonvo_vst3_plugin
done
guide="build/linux-release/docs/guide/$guide_name"

dist="$root/out/dist"
stage="$root/out/stage"
rm -rf "$dist" "$stage"
mkdir -p "$dist/debug" "$stage"

# Splits the debug information of library $2 into $4 (named by its folder's system) and writes
# the stripped library to $3, using objcopy $1.
split_debug() {
  local objcopy=$1 library=$2 stripped=$3 debug=$4
  mkdir -p "$(dirname "$debug")"
  "$objcopy" --only-keep-debug "$library" "$debug"
  (cd "$(dirname "$debug")" &&
    "$objcopy" --strip-unneeded --add-gnu-debuglink="$(basename "$debug")" \
      "$root/$library" "$stripped")
  chmod 0644 "$debug" "$stripped"
}

# The files every package carries besides the library.
add_common() {
  cp "$guide" "$1/$guide_name"
  cp LICENSE THIRD-PARTY-NOTICES.txt "$1/"
}

# The VST 3 bundle $1 with the stripped module $2 (built as $3, for system folder $4) and the
# guide in its resources; the debug file goes to $5, using objcopy $6.
add_vst3_bundle() {
  local bundle=$1 module=$2 built=$3 system=$4 debug=$5 objcopy=$6
  mkdir -p "$bundle/Contents/$system" "$bundle/Contents/Resources"
  split_debug "$objcopy" "$built" "$bundle/Contents/$system/$module" "$debug"
  cp "$guide" "$bundle/Contents/Resources/$guide_name"
}

# Fixed dates and modes for everything under $1.
normalize() {
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f -exec chmod go-w,a+r {} +
  find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

# ---- Linux ----
linux="$stage/Tonvo-$version-linux-x86_64"
mkdir -p "$linux"
split_debug objcopy build/linux-release/src/plugin/Tonvo.so "$linux/Tonvo.so" \
  "$dist/debug/linux-x86_64/Tonvo.so.debug"
split_debug objcopy build/linux-release/clap/Tonvo.clap "$linux/Tonvo.clap" \
  "$dist/debug/linux-x86_64/Tonvo.clap.debug"
add_common "$linux"
cp packaging/linux/INSTALL.txt "$linux/"
# The LV2 bundle as the build made it, its library stripped, the guide beside the library.
lv2="$linux/Tonvo.lv2"
mkdir -p "$lv2"
split_debug objcopy build/linux-release/Tonvo.lv2/Tonvo.so "$lv2/Tonvo.so" \
  "$dist/debug/linux-x86_64/Tonvo.lv2/Tonvo.so.debug"
cp build/linux-release/Tonvo.lv2/manifest.ttl build/linux-release/Tonvo.lv2/Tonvo.ttl "$lv2/"
cp "$guide" "$lv2/$guide_name"
add_vst3_bundle "$linux/Tonvo.vst3" Tonvo.so \
  build/linux-release/Tonvo.vst3/Contents/x86_64-linux/Tonvo.so x86_64-linux \
  "$dist/debug/linux-x86_64/Tonvo.vst3/Tonvo.so.debug" objcopy
normalize "$linux"
tar --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
  --format=gnu -C "$stage" -cf - "$(basename "$linux")" | gzip -9n >"$dist/$(basename "$linux").tar.gz"

# The .deb: the plug-in, the LV2 bundle and the guide where hosts look, the guide again in the
# bundle and among the documents (links), the licences as the copyright file and the changelog.
deb="$stage/deb"
mkdir -p "$deb/DEBIAN" "$deb/usr/lib/vst" "$deb/usr/lib/lv2/Tonvo.lv2" "$deb/usr/lib/clap" \
  "$deb/usr/lib/vst3/Tonvo.vst3/Contents/x86_64-linux" \
  "$deb/usr/lib/vst3/Tonvo.vst3/Contents/Resources" "$deb/usr/share/doc/tonvo"
cp "$linux/Tonvo.so" "$linux/$guide_name" "$deb/usr/lib/vst/"
cp "$linux/Tonvo.clap" "$deb/usr/lib/clap/"
ln -s "../vst/$guide_name" "$deb/usr/lib/clap/$guide_name"
cp "$linux/Tonvo.vst3/Contents/x86_64-linux/Tonvo.so" \
  "$deb/usr/lib/vst3/Tonvo.vst3/Contents/x86_64-linux/"
ln -s "../../../../vst/$guide_name" "$deb/usr/lib/vst3/Tonvo.vst3/Contents/Resources/$guide_name"
cp "$lv2/Tonvo.so" "$lv2/manifest.ttl" "$lv2/Tonvo.ttl" "$deb/usr/lib/lv2/Tonvo.lv2/"
ln -s "../../vst/$guide_name" "$deb/usr/lib/lv2/Tonvo.lv2/$guide_name"
ln -s "../../../lib/vst/$guide_name" "$deb/usr/share/doc/tonvo/$guide_name"
{
  echo "Tonvo"
  echo
  cat LICENSE
  echo
  cat THIRD-PARTY-NOTICES.txt
} >"$deb/usr/share/doc/tonvo/copyright"
gzip -9n -c packaging/linux/changelog >"$deb/usr/share/doc/tonvo/changelog.gz"
# The dependencies are what both libraries link, as dpkg-shlibdeps finds them.
mkdir -p "$stage/shlibs/debian"
printf 'Source: tonvo\n\nPackage: tonvo\nArchitecture: amd64\n' >"$stage/shlibs/debian/control"
depends=$(cd "$stage/shlibs" && dpkg-shlibdeps -O "$deb/usr/lib/vst/Tonvo.so" \
  "$deb/usr/lib/lv2/Tonvo.lv2/Tonvo.so" "$deb/usr/lib/clap/Tonvo.clap" \
  "$deb/usr/lib/vst3/Tonvo.vst3/Contents/x86_64-linux/Tonvo.so" 2>/dev/null |
  sed -n 's/^shlibs:Depends=//p')
if [ -z "$depends" ]; then
  echo "package: dpkg-shlibdeps found no dependencies of Tonvo.so" >&2
  exit 1
fi
# In KiB, from the files' sizes alone, so no file system's folder sizes enter the package.
size=$(find "$deb/usr" -type f -printf '%s\n' | awk '{ total += $1 } END { print int((total + 1023) / 1024) }')
sed -e "s/@VERSION@/$version/" -e "s/@SIZE@/$size/" -e "s/@DEPENDS@/$depends/" \
  packaging/linux/control.in >"$deb/DEBIAN/control"
(cd "$deb" && find usr -type f -print0 | sort -z | xargs -0 md5sum >DEBIAN/md5sums)
normalize "$deb"
dpkg-deb --root-owner-group -Zxz --build "$deb" "$dist/tonvo_${version}_amd64.deb" >/dev/null

# ---- Windows ----
for arch in x64 x86; do
  if [ "$arch" = x64 ]; then
    build=build/windows-x86_64 triple=x86_64-w64-mingw32 system=x86_64-win
  else
    build=build/windows-i686 triple=i686-w64-mingw32 system=x86-win
  fi
  name="Tonvo-$version-windows-$arch"
  folder="$stage/$name"
  mkdir -p "$folder"
  split_debug "$triple-objcopy" "$build/src/plugin/Tonvo.dll" "$folder/Tonvo.dll" \
    "$dist/debug/windows-$arch/Tonvo.dll.debug"
  split_debug "$triple-objcopy" "$build/clap/Tonvo.clap" "$folder/Tonvo.clap" \
    "$dist/debug/windows-$arch/Tonvo.clap.debug"
  add_vst3_bundle "$folder/Tonvo.vst3" Tonvo.vst3 \
    "$build/Tonvo.vst3/Contents/$system/Tonvo.vst3" "$system" \
    "$dist/debug/windows-$arch/Tonvo.vst3/Tonvo.vst3.debug" "$triple-objcopy"
  add_common "$folder"
  normalize "$folder"
  (cd "$stage" && find "$name" -type f | sort | zip -X -D -9 -q "$dist/$name.zip" -@)
  makensis -V2 -DVERSION="$version" -DARCH="$arch" -DSTAGE="$folder" \
    -DOUTFILE="$dist/$name-setup.exe" packaging/windows/tonvo.nsi
done

normalize "$dist"
rm -rf "$stage"
echo "== packages in out/dist"
(cd "$dist" && find . -type f | sort | sed 's|^\./||')
