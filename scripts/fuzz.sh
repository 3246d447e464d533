#!/usr/bin/env bash
# Builds the fuzz preset and runs every libFuzzer target in turn, each on a
# copy of its seed corpus (fuzz/corpus/<target>/, left unchanged) after
# replaying the inputs that once crashed it (fuzz/regressions/<target>/).
# Fails with one line per finding; the input that caused it is kept under
# build/fuzz/findings/<target>/.
#
#   scripts/fuzz.sh                 every target for 20 s (CI)
#   scripts/fuzz.sh --time 60       every target for 60 s
#   scripts/fuzz.sh --runs 1000000  every target for 1,000,000 executions,
#                                   printing the executions and rate of each
#   --only REGEX                    only the targets whose name matches
#   --no-build                      use the targets already built
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=20
runs=""
only=""
build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --time) seconds="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --only) only="$2"; shift 2 ;;
    --no-build) build=0; shift ;;
    *) echo "usage: $0 [--time SECONDS | --runs N] [--only REGEX] [--no-build]" >&2; exit 2 ;;
  esac
done

if [ "$build" = 1 ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
fi
list=build/fuzz/fuzz/targets.txt
[ -f "$list" ] || { echo "FUZZ FAILED: $list missing; build the fuzz preset first"; exit 1; }

# Inputs longer than the default 4096 bytes reach the frame and reassembly limits.
max_len_of() {
  case "$1" in
    bvll_stream | apdu_dispatch) echo 12000 ;;
    npdu) echo 6000 ;;
    *) echo 0 ;;
  esac
}

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
work=$(mktemp -d "${TMPDIR:-/tmp}/vorne-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT
findings_dir=build/fuzz/findings
failed=()

while read -r name binary; do
  [ -n "$name" ] || continue
  if [ -n "$only" ] && ! [[ "$name" =~ $only ]]; then continue; fi
  dir="$work/$name"
  mkdir -p "$dir/corpus" "$dir/artifacts"
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$dir/corpus/"; fi
  log="$dir/log"

  if [ -d "fuzz/regressions/$name" ] && [ -n "$(ls -A "fuzz/regressions/$name")" ]; then
    if ! "$binary" -rss_limit_mb=2048 -timeout=25 "fuzz/regressions/$name"/* </dev/null >"$log" 2>&1; then
      tail -n 40 "$log"
      echo "FUZZ FINDING: $name: a saved regression input fails again (fuzz/regressions/$name)"
      failed+=("$name")
      continue
    fi
  fi

  limit=(-max_total_time="$seconds")
  [ -n "$runs" ] && limit=(-runs="$runs")
  max_len=$(max_len_of "$name")
  extra=()
  [ "$max_len" != 0 ] && extra=(-max_len="$max_len")
  status=0
  "$binary" "${limit[@]}" "${extra[@]}" -rss_limit_mb=2048 -timeout=25 -print_final_stats=1 \
    -artifact_prefix="$dir/artifacts/" "$dir/corpus" </dev/null >"$log" 2>&1 || status=$?

  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  if [ "$status" -ne 0 ]; then
    mkdir -p "$findings_dir/$name"
    cp "$dir/artifacts/"* "$findings_dir/$name/" 2>/dev/null || true
    tail -n 60 "$log"
    summary=$(grep -m1 -E '^SUMMARY:|ERROR: libFuzzer:|runtime error:' "$log" || echo "exit status $status")
    echo "FUZZ FINDING: $name: $summary (input kept in $findings_dir/$name/)"
    failed+=("$name")
  else
    printf '%-48s %10s executions  %7s/s  no finding\n' "$name" "${executions:-?}" "${rate:-?}"
  fi
done <"$list"

if [ ${#failed[@]} -gt 0 ]; then
  echo "FUZZ FAILED: findings in ${#failed[@]} target(s): ${failed[*]}"
  exit 1
fi
echo "fuzzing: no findings"
