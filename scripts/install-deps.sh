#!/usr/bin/env bash
# Installs what building and testing the library needs on a Debian 12 machine:
# the MinGW-w64 cross toolchain, 32-bit Wine, Xvfb, the Japanese locale and font,
# GoogleTest sources and the libogg/libvorbis sources. Safe to run again.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
deps="$here/build-deps"
sudo_cmd=""
[ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"

packages=(
  cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  wine wine32:i386 wine64 libwine-dev
  xvfb xauth x11-utils locales fonts-ipafont-gothic
  googletest dpkg-dev python3
  g++ libpng-dev libjpeg-dev libvorbis-dev
  clang libclang-rt-14-dev
)

need_install() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || return 0
  done
  return 1
}

ensure_i386() {
  dpkg --print-foreign-architectures | grep -qx i386 && return 0
  $sudo_cmd dpkg --add-architecture i386
  apt_updated=""
}

# Source entries mirror the binary ones the machine already uses, so no host is hard-coded.
ensure_deb_src() {
  local src=/etc/apt/sources.list.d/velk-deb-src.sources
  [ -f "$src" ] && return 0
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      | $sudo_cmd tee "$src" >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
      | $sudo_cmd tee /etc/apt/sources.list.d/velk-deb-src.list >/dev/null
    $sudo_cmd touch "$src"
  fi
  apt_updated=""
}

ensure_locale() {
  locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$' && return 0
  $sudo_cmd sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo_cmd tee -a /etc/locale.gen >/dev/null
  $sudo_cmd locale-gen >/dev/null
}

fetch_sources() {
  mkdir -p "$deps"
  local name
  for name in libogg libvorbis; do
    if ! ls -d "$deps/$name"-*/ >/dev/null 2>&1; then
      local attempt
      for attempt in 1 2 3; do
        (cd "$deps" && apt-get source --download-only "$name" >/dev/null) && break
        [ "$attempt" -lt 3 ] || return 1
        update_indexes
      done
      local dsc
      dsc=$(ls "$deps/${name}"_*.dsc | head -n 1)
      (cd "$deps" && dpkg-source --no-check -x "$(basename "$dsc")" >/dev/null)
    fi
  done
}

# A mirror in the middle of a sync (or a cache in front of it) can serve an index
# file that fails its checks; apt then exits 100 although every other index
# arrived. Try again briefly, then go on with what arrived: the install and the
# source downloads below are what really have to succeed.
update_indexes() {
  local attempt
  for attempt in 1 2 3; do
    $sudo_cmd apt-get update -qq && return 0
    echo "install-deps: package index update failed (attempt $attempt)" >&2
    [ "$attempt" -lt 3 ] && sleep $((attempt * 10))
  done
  echo "install-deps: going on with the indexes that arrived" >&2
}

install_packages() {
  local attempt
  for attempt in 1 2 3; do
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends \
      "${packages[@]}" >/dev/null && return 0
    echo "install-deps: package install failed (attempt $attempt)" >&2
    [ "$attempt" -lt 3 ] && update_indexes
  done
  return 1
}

apt_updated="yes"
ensure_i386
ensure_deb_src
if need_install || [ -z "$apt_updated" ] || ! ls "$deps"/libvorbis-*/ >/dev/null 2>&1; then
  update_indexes
  apt_updated="yes"
fi
if need_install; then
  install_packages
fi
ensure_locale
fetch_sources
echo "install-deps: ready"
