#!/usr/bin/env bash
# Runs a command while a simulated device runs natively (Linux vorne sim) at
# ADDRESS:PORT, and points the network library stand-in's datagrams for
# ADDRESS at that port (VORNE_PEER_PORTS): the driver under Wine listens on a
# port of its own, as Wine cannot bind one port at two loopback addresses.
#
#   with_native_device.sh SIM ADDRESS PORT COMMAND [ARGUMENTS...]
#
# SIM is the vorne program (words split at blanks, so that it may also be a
# Wine runner and vorne.exe).
set -euo pipefail
read -ra sim <<<"$1"
address=$2 port=$3
shift 3
out=$(mktemp)
# A group of its own, so that stopping it also stops what a runner started.
setsid "${sim[@]}" sim --bind "$address" --port "$port" >"$out" 2>&1 &
pid=$!
trap 'kill -- -"$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -f "$out"' EXIT
for _ in $(seq 100); do
  grep -q "simulated device" "$out" && break
  if ! kill -0 "$pid" 2>/dev/null; then echo "with_native_device.sh: the device did not start:"; cat "$out"; exit 1; fi
  sleep 0.1
done
export VORNE_PEER_PORTS="$address=$port"
"$@"
