#!/usr/bin/env bash
# MS/TP end to end: vorne sim on one side of a pseudo-terminal, the driver
# (through vorne) on the other. Reads of one object type in one request,
# a coder-served priority array, a priority-8 write and its relinquish seen
# in that array, and a station that never answers timing out with -15.
set -euo pipefail
vorne="$1"
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null || true; rm -rf "$work"' EXIT

"$vorne" sim --mstp pty --station 5 >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do
  line=$(grep -o '/dev/pts/[0-9]*' "$work/sim.out" || true)
  [ -n "$line" ] && break
  sleep 0.1
done
[ -n "$line" ] || { cat "$work/sim.out"; echo "the simulator made no pseudo-terminal"; exit 1; }
mstp=(--mstp "$line" --station 1 --log "$work/log")

check() {  # check WHAT PATTERN FILE
  grep -q -- "$2" "$3" || { echo "FAIL $1"; cat "$3"; echo "--- log"; tail -20 "$work/log"; exit 1; }
}

"$vorne" read --json "${mstp[@]}" 5 AI:1:PRESENT-VALUE AI:2:PRESENT-VALUE AI:3:PRESENT-VALUE >"$work/read.json"
check "three inputs in one ReadPropertyMultiple" '"status":0' "$work/read.json"
[ "$(grep -c '"quality":192' "$work/read.json")" -eq 3 ] || { echo "FAIL not every input arrived"; exit 1; }
check "AI 1 holds 12.5" '"address":"AI:1:PRESENT-VALUE","value":"12.5"' "$work/read.json"

"$vorne" write "${mstp[@]}" 5 AV:1:PRESENT-VALUE:8 55.5 >"$work/write.txt"
check "write at priority 8" ': 0 (success)' "$work/write.txt"
"$vorne" read --json "${mstp[@]}" 5 AV:1:PRESENT-VALUE AV:1:PRIORITY-ARRAY >"$work/after.json"
check "written value is present" '"address":"AV:1:PRESENT-VALUE","value":"55.5","quality":192' "$work/after.json"
check "slot 8 holds the write" '"value":"NULL|NULL|NULL|NULL|NULL|NULL|NULL|55.5|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL"' \
  "$work/after.json"

"$vorne" write "${mstp[@]}" --null-value NULL 5 AV:1:PRESENT-VALUE:8 NULL >"$work/relinquish.txt"
check "relinquish at priority 8" ': 0 (success)' "$work/relinquish.txt"
"$vorne" read --json "${mstp[@]}" 5 AV:1:PRESENT-VALUE AV:1:PRIORITY-ARRAY >"$work/relinquished.json"
check "relinquish default is back" '"address":"AV:1:PRESENT-VALUE","value":"21","quality":192' "$work/relinquished.json"
check "slot 8 is empty again" '"value":"NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL"' \
  "$work/relinquished.json"

if "$vorne" read --json "${mstp[@]}" --timeout 300 9 AI:1:PRESENT-VALUE >"$work/dead.json"; then
  echo "FAIL a read of a silent station succeeded"; exit 1
fi
check "silent station times out" '"status":-15' "$work/dead.json"
check "frames went out on the line" 'Portwise: .* open, 38400 baud, 8N1' "$work/log"
echo "MS/TP reads, write and relinquish, and the time-out all behaved over the pseudo-terminal"
