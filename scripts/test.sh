#!/usr/bin/env bash
# The whole test suite from scratch: installs what is missing, builds both
# architectures, and runs the suite under Wine for every architecture this
# machine can execute, each in its own test bed. Extra arguments go to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/arch.sh"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
why=$(velk_why_not_x86)
if [ -n "$why" ]; then echo "test: the 32-bit (x86) suite was not run: $why"; fi
status=0
echo "test: fuzzing the parsers and text routines natively"
bash "$root/scripts/fuzz.sh" 20 || status=1
for arch in $(velk_runnable_archs); do
  tree=$(velk_tree "$arch")
  echo "test: running the $arch suite"
  bash "$root/scripts/testbed.sh" up "$tree"
  ctest --test-dir "$tree" --output-on-failure --timeout 180 "$@" || status=1
  bash "$root/scripts/testbed.sh" down "$tree"
done
exit $status
