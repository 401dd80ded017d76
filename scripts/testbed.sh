#!/usr/bin/env bash
# The test bed: an Xvfb display, a Wine prefix of the build tree's architecture
# (BUILD_DIR/velk-arch: x86 or x64) inside it with a warm persistent wineserver,
# and an ALSA file sink so that audio can be measured. A second display of
# exactly 640 x 480 x 16, where full-screen DirectDraw can switch modes for real,
# gets a prefix (so a wineserver) of its own: one server with windows on two
# displays makes X refuse the mode change.
#   testbed.sh up BUILD_DIR     start (idempotent); writes BUILD_DIR/testbed/env
#                               and BUILD_DIR/testbed/env-fullscreen
#   testbed.sh down BUILD_DIR   stop the wineservers and the displays
set -euo pipefail
trap 'echo "testbed: \"$BASH_COMMAND\" failed (line $LINENO)" >&2' ERR

action=${1:?usage: testbed.sh up|down BUILD_DIR}
build=$(mkdir -p "${2:?usage: testbed.sh up|down BUILD_DIR}" && cd "$2" && pwd)
bed="$build/testbed"
mkdir -p "$bed"

# Display NAME ("" for the main one, "-fullscreen"): its pid and number files.
display_alive() {
  [ -f "$bed/xvfb$1.pid" ] && kill -0 "$(cat "$bed/xvfb$1.pid")" 2>/dev/null
}

# A display with no resource database makes Xlib look for the missing
# ~/.Xdefaults files again on every lookup: hundreds of opens for each window
# Wine makes, which doubled the cost of a small window. A desktop session loads
# one; a bare Xvfb needs it set, and kept (-noreset): the server would drop it
# when its last client goes.
give_resources() {  # DISPLAY
  DISPLAY=$1 xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER '*customization: -color'
}

start_display() {  # NAME SCREEN
  display_alive "$1" && return 0
  rm -f "$bed/display$1"
  setsid Xvfb -displayfd 3 -screen 0 "$2" -nolisten tcp -ac -noreset 3>"$bed/display$1" \
    </dev/null >"$bed/xvfb$1.log" 2>&1 &
  echo $! >"$bed/xvfb$1.pid"
  for _ in $(seq 100); do
    if [ -s "$bed/display$1" ]; then
      give_resources ":$(head -n 1 "$bed/display$1")"
      return 0
    fi
    sleep 0.1
  done
  echo "testbed: Xvfb did not start" >&2
  cat "$bed/xvfb$1.log" >&2
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
  write_env_file "$bed/env" "$build/wineprefix" "$(head -n 1 "$bed/display")" ""
  write_env_file "$bed/env-fullscreen" "$build/wineprefix-fullscreen" "$(head -n 1 "$bed/display-fullscreen")" \
    "export VELK_REQUIRE_FULLSCREEN=1"
}

# The gamepad module beside the test programs is the tests' scripted one: it
# must win over the platform's own (n,b: a program elsewhere still gets that).
write_env_file() {  # FILE PREFIX DISPLAY EXTRA
  cat >"$1" <<ENV
export WINEPREFIX="$2"
export WINEARCH=$wine_arch
$wine_paths
export VELK_WINE=$wine_loader
export VELK_WINESERVER=$wine_server
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;xinput1_4=n,b"
export DISPLAY=":$3"
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8
export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$bed/asound.conf"
$4
ENV
}

# Sets one value in the session's registry. (Call with the env sourced.)
set_wine_reg() {  # KEY NAME TYPE DATA
  setsid "$VELK_WINE" reg add "$1" /v "$2" /t "$3" /d "$4" /f </dev/null >/dev/null 2>&1 || true
}

# Wine's gamepad bus keeps polling its joystick library, without end: a
# constant load of a few percent in every session, which slows and
# blurs every timing. The tests' gamepads come from their own scripted module,
# so the bus goes without it. The bus reads the setting when it starts: a
# session that started without it is ended once. (Call with the env sourced.)
quiet_gamepad_bus() {
  grep -q '"Enable SDL"=dword:00000000' "$WINEPREFIX/system.reg" 2>/dev/null && return 0
  set_wine_reg 'HKLM\System\CurrentControlSet\Services\winebus' "Enable SDL" REG_DWORD 0
  "$VELK_WINESERVER" -k 2>/dev/null || true
  "$VELK_WINESERVER" -w
}

start_session() {  # ENV_FILE NAME
  (
    # shellcheck disable=SC1090
    . "$1"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      setsid "$VELK_WINE" wineboot -i </dev/null >"$bed/wineboot$2.log" 2>&1
      # The boot leaves a short-lived server behind; a persistent one replaces it.
      "$VELK_WINESERVER" -w
    fi
    quiet_gamepad_bus
    # A persistent, warm server: otherwise the first test's Wine starts its
    # services with the test runner's pipes inherited, and the runner waits forever.
    setsid "$VELK_WINESERVER" -p </dev/null >/dev/null 2>&1 || true  # fails when one runs already
    setsid "$VELK_WINE" cmd /c exit </dev/null >/dev/null 2>&1
    # DirectDraw on Wine's software renderer, as the 32-bit side has it anyway (no
    # 32-bit OpenGL here): through OpenGL on a display without a GPU, every blit
    # to the screen costs a whole frame, on the 64-bit side only.
    set_wine_reg 'HKCU\Software\Wine\Direct3D' renderer REG_SZ gdi
    # Unmanaged top-level windows. The displays have no window manager, and Wine
    # waits about 2 s for one whenever a managed window is destroyed: at the end
    # of nearly every test. Without a manager nothing else differs: Wine draws
    # the frames itself either way (the same window and client rectangles),
    # places windows where they are asked to be, and activates and focuses them
    # itself; mode 3 changes the display mode through XRandR, not the manager.
    # A real manager would instead re-place, re-frame and re-focus windows on
    # its own schedule, which the window tests would then have to wait for.
    set_wine_reg 'HKCU\Software\Wine\X11 Driver' Managed REG_SZ N
    # Wine's helper services end with the session's last program and restart with
    # the next one, inheriting whatever pipes it has (ctest's among them); a
    # program kept alive here owns them instead.
    keeper="$build/bin/testbed_keeper.exe"
    if [ -f "$keeper" ] && ! { [ -f "$bed/keeper$2.pid" ] && kill -0 "$(cat "$bed/keeper$2.pid")" 2>/dev/null; }; then
      rm -f "$bed/keeper$2.ready"
      setsid "$VELK_WINE" "$keeper" "Z:$bed/keeper$2.ready" </dev/null >/dev/null 2>&1 &
      echo $! >"$bed/keeper$2.pid"
      for _ in $(seq 300); do
        [ -f "$bed/keeper$2.ready" ] && break
        sleep 0.1
      done
    fi
  )
}

case "$action" in
  up)
    start_display "" 1024x768x24
    start_display -fullscreen 640x480x16
    write_env
    start_session "$bed/env" ""
    start_session "$bed/env-fullscreen" -fullscreen
    ;;
  down)
    for name in "" -fullscreen; do
      if [ -f "$bed/env$name" ]; then
        (
          # shellcheck disable=SC1090
          . "$bed/env$name"
          "${VELK_WINESERVER:-wineserver}" -k 2>/dev/null || true
        )
      fi
      rm -f "$bed/keeper$name.pid"
      if display_alive "$name"; then kill "$(cat "$bed/xvfb$name.pid")" 2>/dev/null || true; fi
      rm -f "$bed/xvfb$name.pid"
    done
    ;;
  *)
    echo "usage: testbed.sh up|down BUILD_DIR" >&2
    exit 2
    ;;
esac
