#!/usr/bin/env bash
# The test bed: an Xvfb display, a Wine prefix of the build tree's architecture
# (BUILD_DIR/velk-arch: x86 or x64) inside it with a warm persistent wineserver,
# and an ALSA file sink so that audio can be measured.
#   testbed.sh up BUILD_DIR     start (idempotent); writes BUILD_DIR/testbed/env
#   testbed.sh down BUILD_DIR   stop the wineserver and the display
set -euo pipefail
trap 'echo "testbed: \"$BASH_COMMAND\" failed (line $LINENO)" >&2' ERR

action=${1:?usage: testbed.sh up|down BUILD_DIR}
build=$(mkdir -p "${2:?usage: testbed.sh up|down BUILD_DIR}" && cd "$2" && pwd)
bed="$build/testbed"
mkdir -p "$bed"

display_alive() {
  [ -f "$bed/xvfb.pid" ] && kill -0 "$(cat "$bed/xvfb.pid")" 2>/dev/null
}

start_display() {
  display_alive && return 0
  rm -f "$bed/display"
  setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -ac 3>"$bed/display" \
    </dev/null >"$bed/xvfb.log" 2>&1 &
  echo $! >"$bed/xvfb.pid"
  for _ in $(seq 100); do
    [ -s "$bed/display" ] && return 0
    sleep 0.1
  done
  echo "testbed: Xvfb did not start" >&2
  cat "$bed/xvfb.log" >&2
  exit 1
}

# The 64-bit loader and server are called directly: the plain launcher starts
# the 32-bit loader, which some machines refuse to execute.
arch=$(cat "$build/velk-arch" 2>/dev/null || echo x86)
if [ "$arch" = x64 ]; then
  wine_arch=win64 wine_loader=/usr/lib/wine/wine64 wine_server=/usr/lib/wine/wineserver64
  # Wine starts further programs (services, regsvr32's children) through these.
  wine_paths="export WINELOADER=$wine_loader WINESERVER=$wine_server"
else
  wine_arch=win32 wine_loader=wine wine_server=wineserver wine_paths=""
fi

write_env() {
  # 64-bit Wine mixes in 32-bit float; the sink keeps 16-bit samples on both.
  cat >"$bed/asound.conf" <<ASOUND
pcm.sink {
  type file
  slave.pcm "null"
  file "$bed/audio.raw"
  format "raw"
}
pcm.!default {
  type plug
  slave { pcm "sink"; format S16_LE }
}
ASOUND
  cat >"$bed/env" <<ENV
export WINEPREFIX="$build/wineprefix"
export WINEARCH=$wine_arch
$wine_paths
export VELK_WINE=$wine_loader
export VELK_WINESERVER=$wine_server
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
export DISPLAY=":$(head -n 1 "$bed/display")"
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$bed/asound.conf"
ENV
}

case "$action" in
  up)
    start_display
    write_env
    # shellcheck disable=SC1091
    . "$bed/env"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      setsid "$VELK_WINE" wineboot -i </dev/null >"$bed/wineboot.log" 2>&1
      # The boot leaves a short-lived server behind; a persistent one replaces it.
      "$VELK_WINESERVER" -w
    fi
    # A persistent, warm server: otherwise the first test's Wine starts its
    # services with the test runner's pipes inherited, and the runner waits forever.
    setsid "$VELK_WINESERVER" -p </dev/null >/dev/null 2>&1 || true  # fails when one runs already
    setsid "$VELK_WINE" cmd /c exit </dev/null >/dev/null 2>&1
    # Wine's helper services end with the session's last program and restart with
    # the next one, inheriting whatever pipes it has (ctest's among them); a
    # program kept alive here owns them instead.
    keeper="$build/bin/testbed_keeper.exe"
    if [ -f "$keeper" ] && ! { [ -f "$bed/keeper.pid" ] && kill -0 "$(cat "$bed/keeper.pid")" 2>/dev/null; }; then
      setsid "$VELK_WINE" "$keeper" </dev/null >/dev/null 2>&1 &
      echo $! >"$bed/keeper.pid"
      sleep 2
    fi
    ;;
  down)
    if [ -f "$bed/env" ]; then
      # shellcheck disable=SC1091
      . "$bed/env"
      "${VELK_WINESERVER:-wineserver}" -k 2>/dev/null || true
    fi
    rm -f "$bed/keeper.pid"
    if display_alive; then kill "$(cat "$bed/xvfb.pid")" 2>/dev/null || true; fi
    rm -f "$bed/xvfb.pid"
    ;;
  *)
    echo "usage: testbed.sh up|down BUILD_DIR" >&2
    exit 2
    ;;
esac
