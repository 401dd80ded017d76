#!/usr/bin/env bash
# The sprite benchmark against its peer, testsprite2 from Debian's libsdl2-tests,
# all in one run: the peer runs natively on the bed's display (three runs per
# sprite count, the median kept), then sprite_bench.exe runs modes 1 and 2 in the
# bed with those figures, and mode 3 in the 640 x 480 x 16 bed against the same
# figures. Modes 1 and 2 also run the alpha storm (sprites with per-pixel alpha)
# against the peer's blended sprites (--blend blend) at 1000 and 4000. Brings
# the bed up itself; about three and a half minutes per tree.
#   bench/sprite_bench.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: sprite_bench.sh BUILD_DIR}" && pwd)
peer_dir=/usr/libexec/installed-tests/SDL2
counts=(100 1000 4000)
alpha_counts=(1000 4000)

# The peer is the bench's own need, not the build's: installed here, so that a
# broken package index never stands in the way of building and testing.
if [ ! -x "$peer_dir/testsprite2" ]; then
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends libsdl2-tests >/dev/null
fi

bash "$root/scripts/testbed.sh" up "$build"

# The peer's frame rate in one run on DISPLAY. It runs until stopped, printing
# its frame rate every five seconds or so; the first figure includes its start,
# so the run ends at the second, which is taken. --iterations only stops the
# sprites' movement after that many frames: set beyond any run to keep them moving.
peer_run() {  # DISPLAY COUNT BLEND
  local out pid
  out=$(mktemp)
  (cd "$peer_dir" && DISPLAY=$1 SDL_VIDEODRIVER=x11 exec ./testsprite2 --renderer software --blend "$3" \
    --geometry 640x480 --iterations 1000000 "$2") </dev/null >"$out" 2>&1 &
  pid=$!
  for _ in $(seq 300); do
    [ "$(grep -c 'frames per second' "$out")" -ge 2 ] && break
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  grep 'frames per second' "$out" | sed -n 2p | awk '{ print $2 }'
  rm -f "$out"
}

# "OPTION N=FPS" for each count, the median of three runs.
peer_args() {  # ENV_FILE BLEND OPTION COUNT...
  local display count blend=$2 option=$3
  display=$(. "$1" && echo "$DISPLAY")
  shift 3
  for count in "$@"; do
    local median
    median=$(for _ in 1 2 3; do peer_run "$display" "$count" "$blend"; done | sort -g | sed -n 2p)
    if [ -n "$median" ]; then printf -- '%s %s=%s ' "$option" "$count" "$median"; fi
  done
}

icon="Z:$peer_dir/icon.bmp"
peer=$(peer_args "$build/testbed/env" none --peer "${counts[@]}")
alpha_peer=$(peer_args "$build/testbed/env" blend --alpha-peer "${alpha_counts[@]}")
echo "== $(basename "$build"): peer (testsprite2 --renderer software --blend none, median of 3) $peer"
echo "== $(basename "$build"): alpha peer (testsprite2 --renderer software --blend blend, median of 3) $alpha_peer"
# shellcheck disable=SC2086
bash "$root/scripts/wine-run.sh" "$build/testbed/env" "$build/bin/sprite_bench.exe" "$icon" $peer $alpha_peer 2>&1 |
  tr -d '\r'
echo "== $(basename "$build"), the 640 x 480 x 16 bed"
# shellcheck disable=SC2086
bash "$root/scripts/wine-run.sh" "$build/testbed/env-fullscreen" "$build/bin/sprite_bench.exe" "$icon" --fullscreen \
  $peer 2>&1 | tr -d '\r'
