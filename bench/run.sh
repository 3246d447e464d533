#!/usr/bin/env bash
# The full measurement, as recorded in BENCHMARKS.md: builds the bench preset,
# installs the peer's node packages, and runs every benchmark in turn (about
# two minutes). Run it on a quiet machine; the scan figures are ratios against
# references measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench
(cd bench/peer && npm ci --no-audit --no-fund >/dev/null)
dir=build/bench/bench
"$dir/vorne_codec_bench" --benchmark_min_time=1
"$dir/vorne_scan_bench" --seconds 4 --rounds 8
"$dir/vorne_error_line_bench" --seconds 2 --rounds 3
"$dir/vorne_receiver_bench" --seconds 4
"$dir/vorne_memory_report" --passes 1000
