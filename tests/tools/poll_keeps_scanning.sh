#!/usr/bin/env bash
# A dead station times out with -15 while the live group keeps delivering
# values: vorne poll against vorne sim on loopback.
set -euo pipefail
vorne="$1"
port="$2"
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT

"$vorne" sim --bind 127.0.0.2 --port "$port" >"$work/sim.out" 2>&1 &
sim=$!
sleep 0.5
cat >"$work/tags.csv" <<TAGS
# name, station, address
zone,127.0.0.2,AV:1:PRESENT-VALUE
outside,127.0.0.2,AI:1:PRESENT-VALUE
ghost,127.0.0.3,AV:1:PRESENT-VALUE
TAGS
status=0
"$vorne" poll --tags "$work/tags.csv" --port "$port" --bind 127.0.0.1 --timeout 300 --interval 100 --count 3 --json \
  --log "$work/log" >"$work/out.json" || status=$?
cat "$work/out.json"
[ "$status" -eq 1 ] || { echo "a tag without a value gave exit status $status, not 1"; exit 1; }
[ "$(grep -c '"tag":"zone".*"quality":192' "$work/out.json")" -eq 3 ] || { echo "live tag missed scans"; exit 1; }
[ "$(grep -c '"tag":"ghost".*"status":-15' "$work/out.json")" -eq 3 ] || { echo "dead station did not time out"; exit 1; }
echo "dead station timed out while the live group kept scanning"
