#!/usr/bin/env bash
# Runs a fuzzer on its seed corpus for a number of seconds. New inputs go to
# a scratch directory, so the seeds in the repository stay as they are.
#   run-fuzzer.sh FUZZER SEEDS DICT SECONDS [extra libFuzzer options]
set -euo pipefail
fuzzer="$1"; seeds="$2"; dict="$3"; seconds="$4"; shift 4
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
"$fuzzer" "$scratch" "$seeds" -dict="$dict" -max_total_time="$seconds" \
    -print_final_stats=1 -artifact_prefix="$scratch/" "$@"
