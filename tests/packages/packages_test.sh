#!/usr/bin/env bash
# Checks what scripts/package.sh wrote into out/dist/, as a musician would meet it:
#   - every archive and the .deb list exactly the expected files; the libraries in them are
#     stripped and name their debug file; lintian finds no error in the .deb;
#   - the .deb unpacked with dpkg -x: the plug-in ABI test loads its Tonvo.so with dlopen, and
#     the editor on the headless backend, given that library's path, offers "Open User Guide";
#     its LV2 bundle passes lv2_validate and lv2info and the lilv host test, its CLAP and VST 3
#     modules the own host tests;
#   - the 64-bit installer under wine64 in a private prefix: a silent install into
#     Common Files\VST2 (with Tonvo.clap in Common Files\CLAP and the bundle in
#     Common Files\VST3), tonvo-host.exe info loading the installed DLL, an upgrade in place, a
#     silent uninstall removing everything, and an install into the registry's folder;
#   - the same for the 32-bit installer where this machine executes 32-bit programs; elsewhere
#     its format only, with one line saying the rest did not run.
# Needs build/linux-release (plugin_abi_test, editor_tests) and the Windows presets'
# tonvo-host.exe, which the test command builds before.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
version=$(sed -n 's/^project(Tonvo VERSION \([0-9][0-9.]*\).*/\1/p' CMakeLists.txt)
dist=out/dist
guide="Tonvo User Guide.pdf"
work=$(mktemp -d "$root/build/packages-test.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
  echo "packages test: $*" >&2
  exit 1
}
# Compares the sorted names $2 (one a line) with the expected ones $3...; $1 names the package.
expect_files() {
  local what=$1 listed=$2
  shift 2
  local expected
  expected=$(printf '%s\n' "$@" | sort)
  if [ "$listed" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$listed") >&2 || true
    fail "$what does not hold the expected files"
  fi
  echo "ok: $what lists its $# files"
}
# A packaged library: no debug sections left, and the name of its debug file.
expect_stripped() {
  local objdump=$1 library=$2 debug_name=$3 sections
  sections=$("$objdump" -h "$library")
  if grep -q '\.debug_info' <<<"$sections"; then
    fail "$library still holds debug information"
  fi
  grep -qF "$debug_name" <<<"$("$objdump" -s -j .gnu_debuglink "$library")" ||
    fail "$library does not name its debug file $debug_name"
}

# ---- the archives ----
tarball="$dist/Tonvo-$version-linux-x86_64.tar.gz"
top="Tonvo-$version-linux-x86_64"
expect_files "$(basename "$tarball")" "$(tar -tzf "$tarball" | sort)" "$top/" "$top/Tonvo.so" \
  "$top/$guide" "$top/LICENSE" "$top/THIRD-PARTY-NOTICES.txt" "$top/INSTALL.txt" \
  "$top/Tonvo.clap" "$top/Tonvo.lv2/" "$top/Tonvo.lv2/Tonvo.so" "$top/Tonvo.lv2/manifest.ttl" \
  "$top/Tonvo.lv2/Tonvo.ttl" "$top/Tonvo.lv2/$guide" "$top/Tonvo.vst3/" "$top/Tonvo.vst3/Contents/" \
  "$top/Tonvo.vst3/Contents/x86_64-linux/" "$top/Tonvo.vst3/Contents/x86_64-linux/Tonvo.so" \
  "$top/Tonvo.vst3/Contents/Resources/" "$top/Tonvo.vst3/Contents/Resources/$guide"
tar -xzf "$tarball" -C "$work"
expect_stripped objdump "$work/$top/Tonvo.so" Tonvo.so.debug
expect_stripped objdump "$work/$top/Tonvo.lv2/Tonvo.so" Tonvo.so.debug
expect_stripped objdump "$work/$top/Tonvo.clap" Tonvo.clap.debug
expect_stripped objdump "$work/$top/Tonvo.vst3/Contents/x86_64-linux/Tonvo.so" Tonvo.so.debug
for arch in x64 x86; do
  top="Tonvo-$version-windows-$arch"
  zip="$dist/$top.zip"
  [ "$arch" = x64 ] && system=x86_64-win || system=x86-win
  module="$top/Tonvo.vst3/Contents/$system/Tonvo.vst3"
  expect_files "$(basename "$zip")" "$(unzip -Z1 "$zip" | sort)" "$top/Tonvo.dll" \
    "$top/Tonvo.clap" "$top/$guide" "$top/LICENSE" "$top/THIRD-PARTY-NOTICES.txt" "$module" \
    "$top/Tonvo.vst3/Contents/Resources/$guide"
  unzip -q "$zip" -d "$work"
  [ "$arch" = x64 ] && format=pei-x86-64 || format=pei-i386
  grep -q "file format $format\$" <<<"$(objdump -f "$work/$module")" ||
    fail "$zip: the VST 3 module is not $format"
  expect_stripped objdump "$work/$module" Tonvo.vst3.debug
  grep -q "file format $format\$" <<<"$(objdump -f "$work/$top/Tonvo.dll")" ||
    fail "$zip: Tonvo.dll is not $format"
  expect_stripped objdump "$work/$top/Tonvo.dll" Tonvo.dll.debug
  grep -q "file format $format\$" <<<"$(objdump -f "$work/$top/Tonvo.clap")" ||
    fail "$zip: Tonvo.clap is not $format"
  expect_stripped objdump "$work/$top/Tonvo.clap" Tonvo.clap.debug
done
for debug in linux-x86_64/Tonvo.so.debug linux-x86_64/Tonvo.lv2/Tonvo.so.debug \
  linux-x86_64/Tonvo.clap.debug windows-x64/Tonvo.dll.debug windows-x86/Tonvo.dll.debug \
  windows-x64/Tonvo.clap.debug windows-x86/Tonvo.clap.debug linux-x86_64/Tonvo.vst3/Tonvo.so.debug \
  windows-x64/Tonvo.vst3/Tonvo.vst3.debug windows-x86/Tonvo.vst3/Tonvo.vst3.debug; do
  grep -q '\.debug_info' <<<"$(objdump -h "$dist/debug/$debug")" || fail "$debug holds no debug information"
done

# ---- the .deb ----
deb="$dist/tonvo_${version}_amd64.deb"
expect_files "$(basename "$deb")" "$(dpkg-deb -c "$deb" | awk '{ $1=$2=$3=$4=$5=""; sub(/^ +/, ""); sub(/ -> .*/, ""); print }' | sort)" \
  ./ ./usr/ ./usr/lib/ ./usr/lib/vst/ ./usr/lib/vst/Tonvo.so "./usr/lib/vst/$guide" \
  ./usr/lib/clap/ ./usr/lib/clap/Tonvo.clap "./usr/lib/clap/$guide" \
  ./usr/lib/lv2/ ./usr/lib/lv2/Tonvo.lv2/ ./usr/lib/lv2/Tonvo.lv2/Tonvo.so \
  ./usr/lib/lv2/Tonvo.lv2/manifest.ttl ./usr/lib/lv2/Tonvo.lv2/Tonvo.ttl \
  "./usr/lib/lv2/Tonvo.lv2/$guide" ./usr/lib/vst3/ ./usr/lib/vst3/Tonvo.vst3/ \
  ./usr/lib/vst3/Tonvo.vst3/Contents/ ./usr/lib/vst3/Tonvo.vst3/Contents/x86_64-linux/ \
  ./usr/lib/vst3/Tonvo.vst3/Contents/x86_64-linux/Tonvo.so \
  ./usr/lib/vst3/Tonvo.vst3/Contents/Resources/ "./usr/lib/vst3/Tonvo.vst3/Contents/Resources/$guide" \
  ./usr/share/ ./usr/share/doc/ ./usr/share/doc/tonvo/ ./usr/share/doc/tonvo/copyright \
  ./usr/share/doc/tonvo/changelog.gz "./usr/share/doc/tonvo/$guide"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "the .deb is not version $version"
status=0
lintian --fail-on error "$deb" >"$work/lintian.txt" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian.txt" || true
[ "$status" -eq 0 ] || fail "lintian reports errors in $(basename "$deb")"
echo "ok: lintian reports no error"
dpkg -x "$deb" "$work/deb"
plugin="$work/deb/usr/lib/vst/Tonvo.so"
[ -f "$(dirname "$plugin")/$guide" ] || fail "the .deb puts no guide beside Tonvo.so"
[ -f "$work/deb/usr/share/doc/tonvo/$guide" ] || fail "the .deb's documents lack the guide"
TONVO_PLUGIN_UNDER_TEST="$plugin" build/linux-release/tests/plugin_abi_test --gtest_brief=1
TONVO_UNPACKED_PLUGIN="$plugin" build/linux-release/tests/editor_tests --gtest_brief=1 \
  --gtest_filter='FrameFixture.MenuOffersTheGuideBesideAnInstalledPlugin' |
  tee "$work/menu.log"
grep -q '1 test.* ran' "$work/menu.log" && ! grep -q SKIPPED "$work/menu.log" ||
  fail "the menu test did not run"
# The unpacked LV2 bundle: its data as lv2_validate and lv2info read it, the plug-in through
# lilv, the guide beside its library.
bundle="$work/deb/usr/lib/lv2/Tonvo.lv2"
[ -f "$bundle/$guide" ] || fail "the .deb's LV2 bundle has no guide beside its library"
tests/lv2/bundle_test.sh "$bundle" >/dev/null
echo "ok: the .deb's LV2 bundle passes lv2_validate and lv2info"
TONVO_LV2_BUNDLE_UNDER_TEST="$bundle" build/linux-release/tests/lv2_host_test --gtest_brief=1
[ -f "$work/deb/usr/lib/clap/$guide" ] || fail "the .deb puts no guide beside Tonvo.clap"
TONVO_CLAP_UNDER_TEST="$work/deb/usr/lib/clap/Tonvo.clap" \
  build/linux-release/tests/clap_host_test --gtest_brief=1
vst3="$work/deb/usr/lib/vst3/Tonvo.vst3"
[ -f "$vst3/Contents/Resources/$guide" ] || fail "the .deb's VST 3 bundle has no guide"
TONVO_VST3_UNDER_TEST="$vst3/Contents/x86_64-linux/Tonvo.so" \
  build/linux-release/tests/vst3_host_test --gtest_brief=1
TONVO_UNPACKED_PLUGIN="$vst3/Contents/x86_64-linux/Tonvo.so" \
  build/linux-release/tests/editor_tests --gtest_brief=1 \
  --gtest_filter='FrameFixture.MenuOffersTheGuideBesideAnInstalledPlugin' | tee "$work/menu3.log"
grep -q '1 test.* ran' "$work/menu3.log" && ! grep -q SKIPPED "$work/menu3.log" ||
  fail "the menu test did not run on the VST 3 bundle"

# Every package carries the guide the build made, not a stale or empty one.
built_guide="build/linux-release/docs/guide/$guide"
for copy in "$work/Tonvo-$version-linux-x86_64/$guide" \
  "$work/Tonvo-$version-linux-x86_64/Tonvo.lv2/$guide" "$work/Tonvo-$version-windows-x64/$guide" \
  "$work/Tonvo-$version-windows-x86/$guide" "$work/deb/usr/lib/vst/$guide" \
  "$work/Tonvo-$version-linux-x86_64/Tonvo.vst3/Contents/Resources/$guide" \
  "$work/Tonvo-$version-windows-x64/Tonvo.vst3/Contents/Resources/$guide"; do
  cmp -s "$built_guide" "$copy" || fail "${copy#"$work"/} is not the built guide"
done

# ---- the installers ----
# Runs installer $2 in a fresh prefix with Wine loader $1 and tonvo-host.exe $3.
check_installer() {
  local loader=$1 installer=$2 host=$3 arch=$4
  local server
  server="$(dirname "$loader")/wineserver"
  export WINEPREFIX="$work/wine-$arch" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    WINELOADER="$loader" HOME="$work/home-$arch"
  [ "$arch" = x64 ] && export WINEARCH=win64 || export WINEARCH=win32
  mkdir -p "$HOME"
  local drive="$WINEPREFIX/drive_c"
  wine() { "$loader" "$@" </dev/null; }
  # Each run ends with the server, so the files are in place when the next step looks.
  run() {
    wine "$@" || fail "$arch: $* failed"
    "$server" -w
  }
  run wineboot -i >/dev/null 2>&1
  local vst="$drive/Program Files/Common Files/VST2" programs="Program Files"
  local clap="$drive/Program Files/Common Files/CLAP" system=x86_64-win
  local vst3="$drive/Program Files/Common Files/VST3/Tonvo.vst3"
  local uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tonvo'
  # On a 64-bit system the 32-bit installer writes to the 32-bit folders.
  if [ "$arch" = x86 ] && [ -d "$drive/Program Files (x86)" ]; then
    vst="$drive/Program Files (x86)/Common Files/VST2" programs="Program Files (x86)"
    clap="$drive/Program Files (x86)/Common Files/CLAP"
    vst3="$drive/Program Files (x86)/Common Files/VST3/Tonvo.vst3"
  fi
  [ "$arch" = x86 ] && system=x86-win
  local uninstaller="C:\\$programs\\Tonvo\\Uninstall.exe"

  run "$installer" /S
  [ -f "$vst/Tonvo.dll" ] && [ -f "$vst/$guide" ] ||
    fail "$arch: a silent install put no DLL and guide into Common Files\\VST2"
  [ -f "$clap/Tonvo.clap" ] && [ -f "$clap/$guide" ] ||
    fail "$arch: a silent install put no Tonvo.clap and guide into Common Files\\CLAP"
  [ -f "$vst3/Contents/$system/Tonvo.vst3" ] && [ -f "$vst3/Contents/Resources/$guide" ] ||
    fail "$arch: a silent install put no Tonvo.vst3 bundle into Common Files\\VST3"
  wine "$host" info "$(wine winepath -w "$vst/Tonvo.dll" 2>/dev/null | tr -d '\r')" >"$work/info.txt" ||
    fail "$arch: tonvo-host.exe info cannot load the installed DLL"
  "$server" -w
  grep -q '^Effect name: *Tonvo' "$work/info.txt" || fail "$arch: tonvo-host.exe info: $(cat "$work/info.txt")"
  echo "ok: $arch installer: silent install into Common Files\\VST2, the DLL loads"

  # A registry folder set later does not move an installed plug-in: the upgrade stays put.
  run reg add 'HKLM\SOFTWARE\VST' /v VSTPluginsPath /d 'C:\VstPlugins' /f >/dev/null
  run "$installer" /S
  [ -f "$vst/Tonvo.dll" ] && [ ! -e "$drive/VstPlugins" ] || fail "$arch: the upgrade moved the plug-in"
  run "$uninstaller" /S
  [ ! -e "$vst/Tonvo.dll" ] && [ ! -e "$vst/$guide" ] && [ ! -e "$drive/$programs/Tonvo" ] &&
    [ ! -e "$clap/Tonvo.clap" ] && [ ! -e "$clap/$guide" ] && [ ! -e "$vst3" ] ||
    fail "$arch: a silent uninstall left files behind"
  ! wine reg query "$uninstall_key" >/dev/null 2>&1 || fail "$arch: the uninstall entry is left"
  "$server" -w

  run "$installer" /S
  [ -f "$drive/VstPlugins/Tonvo.dll" ] && [ -f "$drive/VstPlugins/$guide" ] ||
    fail "$arch: a silent install ignored HKLM\\SOFTWARE\\VST\\VSTPluginsPath"
  run "$uninstaller" /S
  [ ! -e "$drive/VstPlugins/Tonvo.dll" ] || fail "$arch: the uninstall left the registry folder's DLL"
  echo "ok: $arch installer: upgrade in place, registry folder, silent uninstall"
  "$server" -k 2>/dev/null || true
}

setup="$dist/Tonvo-$version-windows"
grep -q 'file format pei-x86-64$' <<<"$(objdump -f "$setup-x64-setup.exe")" ||
  fail "the 64-bit installer is not a 64-bit program"
grep -q 'file format pei-i386$' <<<"$(objdump -f "$setup-x86-setup.exe")" ||
  fail "the 32-bit installer is not a 32-bit program"
check_installer /usr/lib/wine/wine64 "$setup-x64-setup.exe" \
  "$root/build/windows-x86_64/tools/tonvo_host/tonvo-host.exe" x64
probe=0
scripts/can-execute-32bit.sh || probe=$?
if [ "$probe" -eq 0 ]; then
  check_installer /usr/lib/wine/wine "$setup-x86-setup.exe" \
    "$root/build/windows-i686/tools/tonvo_host/tonvo-host.exe" x86
elif [ "$probe" -eq 1 ]; then
  echo "32-bit installer not run: this machine cannot execute 32-bit programs"
else
  exit 1
fi
echo "all package checks passed"
