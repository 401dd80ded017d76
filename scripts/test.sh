#!/usr/bin/env bash
# The whole test suite from scratch: installs what is missing, builds, brings up
# the test bed, runs every test under Wine and stops the test bed again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" "$build"
trap 'bash "$root/scripts/testbed.sh" down "$build"' EXIT
bash "$root/scripts/testbed.sh" up "$build"
ctest --test-dir "$build" --output-on-failure --timeout 180 "$@"
