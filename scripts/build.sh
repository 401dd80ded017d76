#!/usr/bin/env bash
# Configures and builds everything (library, loaders, examples, tests) for both
# architectures: build/x86 (32-bit) and build/x64 (64-bit).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/arch.sh"
# VELK_ARCHS="x86" builds one tree only (quicker while working on one thing).
for arch in ${VELK_ARCHS:-x86 x64}; do
  case $arch in
    x86) toolchain=$root/cmake/toolchain-mingw-i686.cmake ;;
    x64) toolchain=$root/cmake/toolchain-mingw-x86_64.cmake ;;
  esac
  cmake -S "$root" -B "$(velk_tree $arch)" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$(velk_tree $arch)" -j"$(nproc)"
done
