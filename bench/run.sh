#!/usr/bin/env bash
# The full measurement, as recorded in BENCHMARKS.md: builds the bench preset,
# installs the peer's node packages, then runs ROUNDS rounds (default 3); each
# round runs every timing program once, in turn, so that load on the machine
# falls on all of them alike. Every figure is printed against a reference of
# the same round (the floor, a bare client, the plain-loop decode, the peer),
# and bench/summarise.py gives min / median / max over the rounds. The memory
# report, whose figures are byte counts, runs once at the end.
#   ROUNDS=5 SECONDS_PER_FIGURE=2 bench/run.sh
#   PROGRAMS="codec instances" bench/run.sh   # only these programs, no memory report
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${ROUNDS:-3}"
seconds="${SECONDS_PER_FIGURE:-2}"
programs="${PROGRAMS:-codec scan instances error_line group_size receiver memory}"
cmake --preset bench >/dev/null
cmake --build --preset bench
# The peer's packages, unless they are in place (the runs may be offline).
[ -d bench/peer/node_modules/@bacnet-js/client ] || (cd bench/peer && npm ci --no-audit --no-fund >/dev/null)
dir=build/bench/bench
out="build/bench/rounds-$(date -u +%Y%m%dT%H%M%SZ)"
mkdir -p "$out"
echo "rounds: $rounds; raw output in $out; load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"

# A program that fails (a scan that failed, a datagram lost) is reported and
# the rounds go on: its figures of that round are still in its output.
run() {
  local name="$1"
  shift
  case " $programs " in *" ${name%-*} "*) ;; *) return 0 ;; esac
  if ! "$@" >"$out/$name.txt" 2>&1; then echo "round output $out/$name.txt: the program reported a failure"; fi
}
for round in $(seq 1 "$rounds"); do
  echo "round $round of $rounds"
  run "codec-$round" "$dir/vorne_codec_bench" --benchmark_min_time=0.5 \
    --benchmark_out="$out/codec-$round.json" --benchmark_out_format=json
  run "scan-$round" "$dir/vorne_scan_bench" --seconds "$seconds" --rounds 1
  run "instances-$round" "$dir/vorne_instances_bench" --seconds "$seconds"
  run "error_line-$round" "$dir/vorne_error_line_bench" --seconds "$seconds" --rounds 1
  run "group_size-$round" "$dir/vorne_group_size_bench" --seconds 0.5
  run "receiver-$round" "$dir/vorne_receiver_bench" --seconds "$seconds"
done
case " $programs " in *" memory "*) "$dir/vorne_memory_report" --passes 1000 | tee "$out/memory.log" ;; esac
echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
bench/summarise.py "$out" | tee "$out/summary.md"
