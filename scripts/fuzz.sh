#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz/targets natively (clang's libFuzzer with
# the address and undefined-behaviour sanitizers) from the library's own pure
# sources, and runs each for SECONDS (default 20). Any crash, leak, sanitizer
# report or broken promise fails the run; the input that found it is written to
# build/fuzz/findings/NAME/. Usage: scripts/fuzz.sh [SECONDS] [NAME...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-20}
shift || true
out=$root/build/fuzz
mkdir -p "$out"

flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -Wall -Wextra -I"$root/tests/fuzz/shim" -I"$root/tests/fuzz" -I"$root/src")

status=0
while read -r name sources; do
  case $name in ''|'#'*) continue ;; esac
  if [ $# -gt 0 ] && ! printf '%s\n' "$@" | grep -qx "$name"; then continue; fi
  echo "fuzz: building $name"
  src=()
  for s in $sources; do src+=("$root/$s"); done
  clang++ "${flags[@]}" "$root/tests/fuzz/$name.cpp" "${src[@]}" -o "$out/$name"
  corpus=$out/corpus/$name
  findings=$out/findings/$name
  kept=$root/tests/fuzz/inputs/$name
  mkdir -p "$corpus" "$findings" "$kept"
  echo "fuzz: running $name for ${seconds}s"
  if ! (cd "$findings" && "$out/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
          -print_final_stats=1 "$corpus" "$kept" >"$out/$name.log" 2>&1); then
    echo "fuzz: $name FAILED; the input is in $findings, the report in $out/$name.log:"
    tail -n 30 "$out/$name.log"
    status=1
  else
    grep -E '^stat::number_of_executed_units' "$out/$name.log" | sed "s/^/fuzz: $name /" || true
  fi
done <"$root/tests/fuzz/targets"
exit $status
