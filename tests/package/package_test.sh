#!/usr/bin/env bash
# The release package as a user meets it, in a Wine prefix of its own (never the
# bed's): unpacked; a C++ host built from its header alone makes the object with
# VELKCreate while nothing is registered; its command file registers the library
# for the user alone; the example script runs from the unpacked folder to its end;
# unregistering leaves no key behind. Packs and runs this tree's architecture only.
#   package_test.sh SOURCE_DIR BUILD_DIR CXX
set -euo pipefail
src=$1 build=$2 cxx=$3
arch=$(cat "$build/velk-arch")
work=$build/package-test
pkg=$work/unpacked

fail() {
  echo "FAIL: $*"
  exit 1
}

# Windows form of a path: Wine shows the Linux root as Z:.
win() { printf 'Z:%s' "${1//\//\\}"; }

# The bed's display and locale; the prefix (and so the server) is this test's own.
# shellcheck disable=SC1091
. "$build/testbed/env"
export WINEPREFIX=$work/prefix
if [ -d "$WINEPREFIX" ]; then "$VELK_WINESERVER" -k 2>/dev/null || true; fi  # an earlier run cut short
rm -rf "$work"
mkdir -p "$work"
VELK_ARCHS=$arch VELK_DIST_DIR=$work VELK_PACKAGE_NO_BUILD=1 bash "$src/scripts/package.sh" >"$work/package.log" 2>&1 ||
  { cat "$work/package.log"; fail "packing"; }
zips=("$work"/velk-*-windows.zip)
python3 -m zipfile -e "${zips[0]}" "$pkg"
for file in "$arch/VELKlib_100.dll" "$arch/jpegloader" "$arch/pngloader" "$arch/register-user.cmd" \
            "$arch/unregister-user.cmd" include/velk.h README.md docs/reference.md \
            examples/scripts/hello_velk.vbs examples/game/star_catcher.cpp examples/assets/star.bmp; do
  [ -f "$pkg/$file" ] || fail "the package has no $file"
done
# Shipped without debug information (the build's library carries it).
if [ -n "$(find "$pkg/$arch/VELKlib_100.dll" -size +1500k)" ]; then fail "the library is not stripped"; fi

# The host, from the unpacked header with every warning an error, linked to the
# unpacked library and placed beside it as a game ships it.
"$cxx" -std=c++17 -Wall -Wextra -Werror -I"$pkg/include" -o "$pkg/$arch/unregistered_host.exe" \
  "$src/tests/package/unregistered_host.cpp" "$pkg/$arch/VELKlib_100.dll" \
  -static -static-libgcc -static-libstdc++ -lole32 -loleaut32 -luuid || fail "the host does not build from the package's header"

# A sound sink of this test's own, beside the bed's.
sed "s#$build/testbed/audio.raw#$work/audio.raw#" "$build/testbed/asound.conf" >"$work/asound.conf"
export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$work/asound.conf"
# Should a step hang past the test's time, ending the prefix's server ends every
# program in it; either way nothing of this prefix outlives the test.
(sleep 180 && "$VELK_WINESERVER" -k) </dev/null >/dev/null 2>&1 &
watchdog=$!
cleanup() {
  pkill -P "$watchdog" 2>/dev/null || true
  kill "$watchdog" 2>/dev/null || true
  "$VELK_WINESERVER" -k 2>/dev/null || true
}
trap cleanup EXIT
setsid "$VELK_WINE" wineboot -i </dev/null >"$work/wineboot.log" 2>&1 || true
"$VELK_WINESERVER" -w
setsid "$VELK_WINESERVER" -p </dev/null >/dev/null 2>&1

# Runs a Windows program with its output in a file: Wine's helper services
# inherit the program's streams, and must not hold the test runner's.
# A step that hangs (a fatal message box nobody answers) ends within the test's time.
run() {  # DIR PROGRAM ARGS...
  local dir=$1
  shift
  (cd "$dir" && timeout 60 "$VELK_WINE" "$@" </dev/null >"$work/out" 2>&1) || echo "(exit $?)" >>"$work/out"
  cat "$work/out"
}

# Which of the keys registration writes exist under ROOT (HKCU or HKLM).
clsid="" libid="" iid=""
registered_keys() {  # ROOT
  local key
  for key in VELK VELK.1 "CLSID\\$clsid" "TypeLib\\$libid" "Interface\\$iid"; do
    if "$VELK_WINE" reg query "$1\\Software\\Classes\\$key" </dev/null >/dev/null 2>&1; then echo "$key"; fi
  done
}
guid() {  # NAME: its DEFINE_GUID in the package's header, in registry form
  grep -h "DEFINE_GUID($1," "$pkg"/include/velk_win*.h | head -n 1 | tr -d ' );' | cut -d, -f2- |
    awk -F, '{ gsub("0x", ""); printf "{%8s-%4s-%4s-%2s%2s-%2s%2s%2s%2s%2s%2s}", $1,$2,$3,$4,$5,$6,$7,$8,$9,$10,$11 }' |
    tr ' a-f' '0A-F'
}
clsid=$(guid CLSID_VELK) libid=$(guid LIBID_VELKLIB) iid=$(guid IID_IVELK)

output=$(run "$pkg/$arch" unregistered_host.exe)
echo "$output"
[[ $output == *"host: done"* ]] || fail "the host did not make the object without registration"

before=$(run "$pkg" reg query 'HKCU\Software\Classes' /s)
output=$(run "$pkg" cmd /c "$(win "$pkg/$arch/register-user.cmd")")
echo "$output"
user_keys=$(registered_keys HKCU)
[ "$user_keys" = "$(printf 'VELK\nVELK.1\nCLSID\\%s\nTypeLib\\%s\nInterface\\%s' "$clsid" "$libid" "$iid")" ] ||
  fail "registered for the user: [$user_keys]"
[ -z "$(registered_keys HKLM)" ] || fail "the user's registration wrote the machine's keys: $(registered_keys HKLM)"

# Windows reads the user's classes over the machine's; Wine 8 reads the machine's
# only, so the script gets that view by a copy of exactly the user's keys.
run "$pkg" reg copy 'HKCU\Software\Classes' 'HKLM\Software\Classes' /s /f >/dev/null
# The image loaders are found along the usual module search path, which holds
# the script host's folder and the current one but not the library's: the user
# puts the architecture's folder on PATH, as the package's README says.
output=$(WINEPATH=$(win "$pkg/$arch") run "$pkg/examples" cscript //nologo 'scripts\hello_velk.vbs')
echo "$output"
[[ $output == *"hello_velk: done"* ]] || fail "the example script did not reach its end"

output=$(run "$pkg" cmd /c "$(win "$pkg/$arch/unregister-user.cmd")")
echo "$output"
left=$(registered_keys HKCU)
[ -z "$left" ] || fail "unregistering left [$left] in the user's classes"
[ "$(run "$pkg" reg query 'HKCU\Software\Classes' /s)" = "$before" ] || fail "unregistering left the user's classes changed"
echo "package: all checks held"
