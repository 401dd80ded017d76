#!/usr/bin/env bash
# Runs the download bench in the test bed with the machine's curl as a second
# baseline: the bench asks for each curl run on its output ("curl<TAB>URL<TAB>
# unix path") and reads curl's own time in seconds back on its input.
#   bench/download_bench.sh BUILD_DIR   (the test bed must be up: scripts/testbed.sh up BUILD_DIR)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: download_bench.sh BUILD_DIR}" && pwd)
# The bed's windows are unmanaged, so a call's end costs no wait for a window manager.
coproc BENCH { bash "$root/scripts/wine-run.sh" "$build/testbed/env" "$build/bin/download_bench.exe" --curl-over-stdio 2>&1; }
# Own copies of the pipes and the id: bash drops the coprocess's when it ends.
bench_pid=$BENCH_PID
exec {from_bench}<&"${BENCH[0]}" {to_bench}>&"${BENCH[1]}"
while IFS= read -r line <&"$from_bench"; do
  line=${line%$'\r'}
  if [[ $line == curl$'\t'* ]]; then
    IFS=$'\t' read -r _ url path <<<"$line"
    seconds=$(curl -s -f -o "$path" -w '%{time_total}' "$url" || echo 0)
    echo "$seconds" >&"$to_bench"
  else
    printf '%s\n' "$line"
  fi
done
wait "$bench_pid"
