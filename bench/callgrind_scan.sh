#!/usr/bin/env bash
# Instructions per 100-tag scan inside the driver's two read entries, under
# callgrind. Two runs of different lengths, (I2 - I1) / (S2 - S1): the run's
# one-time set-up drops out, which an average over one run would carry.
#   bench/callgrind_scan.sh [build-dir]      (default build/release, built with -DVORNE_BENCH=ON)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

run() {
  local out="$work/$1"
  valgrind --tool=callgrind --callgrind-out-file="$out" \
    --toggle-collect=UDrvReadGroupStartW --toggle-collect=UDrvReadGroupFinishExtW \
    "$build/bench/vorne_scan_bench" --seconds "$1" --rounds 1 --no-peer --group 100 >"$out.txt" 2>&1
  local scans start finish
  scans=$(grep -E '^\s+driver(/r)? +p50' "$out.txt" | sed -E 's/.*\(([0-9]+) samples\).*/\1/' | paste -sd+ | bc)
  callgrind_annotate --inclusive=yes "$out" 2>/dev/null >"$out.annot"
  start=$(grep -m1 'entries.cpp:UDrvReadGroupStartW' "$out.annot" | awk '{gsub(",","",$1); print $1}')
  finish=$(grep -m1 'entries.cpp:UDrvReadGroupFinishExtW' "$out.annot" | awk '{gsub(",","",$1); print $1}')
  echo "$scans $start $finish"
}

read -r s1 a1 f1 < <(run 0.3)
read -r s2 a2 f2 < <(run 1.2)
n=$((s2 - s1))
echo "scans $s1 and $s2; per scan: start entry $(((a2 - a1) / n)), finish entries $(((f2 - f1) / n)), both $(((a2 + f2 - a1 - f1) / n))"
