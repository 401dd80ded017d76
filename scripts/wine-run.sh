#!/usr/bin/env bash
# Runs a Windows program of the build under the test bed's Wine; ctest's emulator.
#   wine-run.sh TESTBED_ENV_FILE PROGRAM [ARGS...]
set -euo pipefail
env_file=${1:?usage: wine-run.sh TESTBED_ENV_FILE PROGRAM [ARGS...]}
shift
# shellcheck disable=SC1090
. "$env_file"
exec "$VELK_WINE" "$@"
