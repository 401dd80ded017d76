#!/usr/bin/env bash
# Builds everything and plays the demo game under Wine: installs what is missing,
# registers the library in the test bed's prefix and starts the game there, with
# the 32-bit build where this machine runs it, else the 64-bit one. With a
# display (DISPLAY set) the game opens there and is yours to play; without one
# it plays itself on the test bed's virtual display for about ten seconds.
# Either way the title, play and score scenes land in build/demo/ as PNG files,
# and the game prints one line beginning with "demo:".
#   VELK_DEMO_HEADLESS=1 forces the self-playing run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/arch.sh"
user_display=${DISPLAY:-}
[ -z "${VELK_DEMO_HEADLESS:-}" ] || user_display=""
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"
arch=$(velk_runnable_archs | head -n 1)
build=$(velk_tree "$arch")
echo "demo: the $arch build"
trap 'bash "$root/scripts/testbed.sh" down "$build"' EXIT
bash "$root/scripts/testbed.sh" up "$build"
shots="$root/build/demo"
rm -rf "$shots"
mkdir -p "$shots"
cd "$build/bin"
"$root/scripts/wine-run.sh" "$build/testbed/env" regsvr32 /s VELKlib_100.dll
# Wine reads Unix paths through its Z: drive.
if [ -n "$user_display" ]; then
  (. "$build/testbed/env"; DISPLAY="$user_display" exec "$VELK_WINE" star_catcher.exe --shots "Z:$shots")
else
  "$root/scripts/wine-run.sh" "$build/testbed/env" star_catcher.exe --attract --shots "Z:$shots"
fi
count=$(find "$shots" -name '*.png' | wc -l)
echo "demo: $count screenshots in $shots: $(cd "$shots" && ls | tr "\n" " ")"
[ "$count" -ge 3 ] || { echo "demo: the game left fewer than three screenshots" >&2; exit 1; }
echo "demo: the library's log is $build/bin/Log.txt (CP932)"
