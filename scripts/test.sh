#!/usr/bin/env bash
# The whole test suite from scratch: installs what is missing, builds both
# architectures, and runs the suite under Wine for every architecture this
# machine can execute, each in its own test bed. Extra arguments go to ctest.
#
# The architectures' suites share nothing (each tree has its own displays, Wine
# prefix, server and audio sink), so they run side by side, with the native
# fuzzing beside them: most of a suite's time is a program waiting for its
# windows, timers and sounds, not the processor. Each suite's output is kept in
# its tree and printed whole once it ends, so the two never interleave.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/arch.sh"

phases=()
started=$(date +%s)
phase_start=$started
end_phase() {  # NAME
  local now
  now=$(date +%s)
  phases+=("$(printf '%-22s %5d s' "$1" $((now - phase_start)))")
  phase_start=$now
}

bash "$root/scripts/install-deps.sh"
end_phase install
bash "$root/scripts/build.sh"
end_phase build

why=$(velk_why_not_x86)
if [ -n "$why" ]; then echo "test: the 32-bit (x86) suite was not run: $why"; fi

logs=$root/build/test-logs
mkdir -p "$logs"

run_suite() {  # ARCH [CTEST ARGS...]
  local arch=$1 tree start rc=0
  shift
  tree=$(velk_tree "$arch")
  start=$(date +%s)
  bash "$root/scripts/testbed.sh" up "$tree"
  ctest --test-dir "$tree" --output-on-failure --timeout 180 "$@" || rc=1
  bash "$root/scripts/testbed.sh" down "$tree"
  echo "$rc $(($(date +%s) - start))" >"$logs/$arch.status"
}

run_fuzz() {
  local start rc=0
  start=$(date +%s)
  bash "$root/scripts/fuzz.sh" 20 || rc=1
  echo "$rc $(($(date +%s) - start))" >"$logs/fuzz.status"
}

archs=$(velk_runnable_archs)
rm -f "$logs"/*.status "$logs"/*.log
echo "test: fuzzing natively and running the suites of: $(echo $archs) (side by side)"
pids=()
run_fuzz >"$logs/fuzz.log" 2>&1 </dev/null &
pids+=($!)
for arch in $archs; do
  run_suite "$arch" "$@" >"$logs/$arch.log" 2>&1 </dev/null &
  pids+=($!)
done
wait "${pids[@]}" || true
end_phase "suites and fuzzing"

status=0
report() {  # NAME TITLE
  local rc=1 seconds=0
  echo "test: ---- $2 ----"
  cat "$logs/$1.log"
  if [ -f "$logs/$1.status" ]; then read -r rc seconds <"$logs/$1.status"; fi
  [ "$rc" -eq 0 ] || status=1
  phases+=("$(printf '  %-20s %5d s%s' "$1" "$seconds" "$([ "$rc" -eq 0 ] || echo '  FAILED')")")
}
report fuzz "fuzzing the parsers and text routines natively"
for arch in $archs; do report "$arch" "the $arch suite"; done

echo "test: time of each phase"
printf 'test:   %s\n' "${phases[@]}"
printf 'test:   %-20s %5d s\n' total $(($(date +%s) - started))
exit $status
