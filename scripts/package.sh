#!/usr/bin/env bash
# Builds the release package dist/velk-<version>-windows.zip: per architecture
# (x86/, x64/) the stripped library, its two loader modules and the per-user
# register and unregister command files; the host header (include/), the member
# reference, the user's README, the example scripts and the demo game's source
# with its pictures and sounds. The version is the one in VERSION.
#   VELK_ARCHS="x86"          package these architectures only (default: x86 x64)
#   VELK_DIST_DIR=DIR         where the zip goes (default: dist/)
#   VELK_PACKAGE_NO_BUILD=1   never build; the trees must be complete (the suite's test)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/arch.sh"

version=$(head -n 1 "$root/VERSION" | tr -d '[:space:]')
archs=${VELK_ARCHS:-x86 x64}
dist=${VELK_DIST_DIR:-$root/dist}
name=velk-$version-windows

# A tree needs building when a packed file is missing or older than a source it is made of.
newer_than() {  # OUTPUT SOURCE...: whether a source file is newer than the output
  local output=$1
  shift
  [ -n "$(find "$@" -type f -newer "$output" -print -quit)" ]
}
tree_outdated() {  # ARCH
  local bin
  bin=$(velk_tree "$1")/bin
  [ -f "$bin/VELKlib_100.dll" ] && [ -f "$bin/jpegloader" ] && [ -f "$bin/pngloader" ] && [ -f "$bin/assets/star.bmp" ] ||
    return 0
  newer_than "$bin/VELKlib_100.dll" "$root/src" "$root/resources" "$root/CMakeLists.txt" "$root/VERSION" ||
    newer_than "$bin/jpegloader" "$root/loaders" || newer_than "$bin/assets/star.bmp" "$root/examples/assets"
}

stale=""
for arch in $archs; do
  tree_outdated "$arch" && stale="$stale $arch"
done
if [ -n "$stale" ]; then
  if [ -n "${VELK_PACKAGE_NO_BUILD:-}" ]; then
    echo "package: the build of$stale is missing or out of date" >&2
    exit 1
  fi
  VELK_ARCHS="${stale# }" bash "$root/scripts/build.sh"
fi

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# Windows reads command files with CRLF line ends.
write_cmd() {  # FILE, then the lines on stdin
  sed 's/$/\r/' >"$1"
}

# regsvr32 of the library's own architecture: the 32-bit one lives in SysWOW64 on
# 64-bit Windows, and a 32-bit command prompt sees the 64-bit one as Sysnative.
regsvr32_lines() {  # ARCH
  echo 'set regsvr32=%SystemRoot%\System32\regsvr32.exe'
  if [ "$1" = x86 ]; then
    echo 'if exist "%SystemRoot%\SysWOW64\regsvr32.exe" set regsvr32=%SystemRoot%\SysWOW64\regsvr32.exe'
  else
    echo 'if exist "%SystemRoot%\Sysnative\regsvr32.exe" set regsvr32=%SystemRoot%\Sysnative\regsvr32.exe'
  fi
}

for arch in $archs; do
  tree=$(velk_tree "$arch")
  case $arch in
    x86) strip=i686-w64-mingw32-strip bits=32 interface=velk_win32.h ;;
    x64) strip=x86_64-w64-mingw32-strip bits=64 interface=velk_win64.h ;;
  esac
  mkdir -p "$stage/$arch" "$stage/include"
  for file in VELKlib_100.dll jpegloader pngloader; do
    cp "$tree/bin/$file" "$stage/$arch/$file"
    "$strip" --strip-all "$stage/$arch/$file"
  done
  cp "$tree/generated/host/$interface" "$stage/include/"
  write_cmd "$stage/$arch/register-user.cmd" <<CMD
@echo off
rem Registers VELK ($bits-bit) for the current user only: no administrator rights needed.
rem Afterwards $bits-bit scripts, VBA and programs create the object with CreateObject("VELK").
setlocal
$(regsvr32_lines "$arch")
"%regsvr32%" /s /n /i:user "%~dp0VELKlib_100.dll"
if errorlevel 1 (
  echo VELK: registration for the current user failed.
  exit /b 1
)
echo VELK ($bits-bit) is registered for the current user.
CMD
  write_cmd "$stage/$arch/unregister-user.cmd" <<CMD
@echo off
rem Removes what register-user.cmd wrote for the current user.
setlocal
$(regsvr32_lines "$arch")
"%regsvr32%" /s /u /n /i:user "%~dp0VELKlib_100.dll"
if errorlevel 1 (
  echo VELK: removing the registration for the current user failed.
  exit /b 1
)
echo VELK ($bits-bit) is no longer registered for the current user.
CMD
done

first_tree=$(velk_tree "${archs%% *}")
cp "$root/include/velk.h" "$stage/include/"
mkdir -p "$stage/docs" "$stage/examples/scripts" "$stage/examples/game" "$stage/examples/assets"
cp "$root/docs/reference.md" "$stage/docs/"
sed "s/@VERSION@/$version/g" "$root/docs/release-readme.md" >"$stage/README.md"
cp "$root/examples/scripts/"*.vbs "$root/examples/scripts/"*.js "$stage/examples/scripts/"
cp "$root/examples/game/"*.cpp "$root/examples/game/"*.h "$stage/examples/game/"
cp "$first_tree/bin/assets/"* "$stage/examples/assets/"

mkdir -p "$dist"
dist=$(cd "$dist" && pwd)
rm -f "$dist/$name.zip"
if command -v zip >/dev/null; then
  (cd "$stage" && zip -q -r -X "$dist/$name.zip" .)
else
  (cd "$stage" && python3 -m zipfile -c "$dist/$name.zip" *)
fi
echo "package: $dist/$name.zip"
