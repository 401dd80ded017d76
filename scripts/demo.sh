#!/usr/bin/env bash
# Builds the library and runs the demo host under Wine: installs what is missing,
# registers the library in the test bed's prefix and starts the host there, with
# the 32-bit build where this machine runs it, else the 64-bit one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/arch.sh"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
arch=$(velk_runnable_archs | head -n 1)
build=$(velk_tree "$arch")
echo "demo: the $arch build"
trap 'bash "$root/scripts/testbed.sh" down "$build"' EXIT
bash "$root/scripts/testbed.sh" up "$build"
run() { "$root/scripts/wine-run.sh" "$build/testbed/env" "$@"; }
cd "$build/bin"
run regsvr32 /s VELKlib_100.dll
run demo_host.exe 3
echo "--- Log.txt written by the demo:"
iconv -f CP932 -t UTF-8 Log.txt
