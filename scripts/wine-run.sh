#!/usr/bin/env bash
# Runs a Windows program of the build under the test bed's Wine; ctest's emulator.
#   wine-run.sh TESTBED_ENV_FILE PROGRAM [ARGS...]
set -euo pipefail
env_file=${1:?usage: wine-run.sh TESTBED_ENV_FILE PROGRAM [ARGS...]}
shift
# shellcheck disable=SC1090
. "$env_file"
# A failing end is named with its code and time, so that one without a word
# of output (Wine itself, before the program ran) can still be told apart.
started=$(date +%s%N)
rc=0
"$VELK_WINE" "$@" || rc=$?
if [ "$rc" -ne 0 ]; then
  echo "wine-run: $(basename "$1") ended with exit code $rc after $((($(date +%s%N) - started) / 1000000)) ms" >&2
fi
exit "$rc"
