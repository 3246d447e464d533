#!/usr/bin/env bash
# A short run of every benchmark, to show that each still works (CI); the
# figures of a smoke run mean nothing. Argument: the build folder (default
# build/bench) where the vorne_benchmarks target was built.
set -euo pipefail
cd "$(dirname "$0")/.."
dir="${1:-build/bench}/bench"
run() {
  printf '\n-- %s\n' "$*"
  if ! timeout 60 "$@"; then
    echo "bench smoke FAILED: $*"
    exit 1
  fi
}
run "$dir/vorne_codec_bench" --benchmark_min_time=0.01
run "$dir/vorne_scan_bench" --smoke
run "$dir/vorne_error_line_bench" --smoke
run "$dir/vorne_receiver_bench" --smoke
run "$dir/vorne_memory_report" --smoke
run "$dir/vorne_instances_bench" --smoke
run "$dir/vorne_group_size_bench" --smoke
