#!/usr/bin/env bash
# Every primitive datatype, and coder-served constructed values, read through
# vorne (the driver's entries) from vorne sim on loopback, compared with what
# the simulator was given.
set -euo pipefail
vorne="$1"
port="$2"
objects="$(dirname "$0")/every_type_objects.txt"
work=$(mktemp -d)
trap 'kill "$sim" "$sim2" 2>/dev/null || true; rm -rf "$work"' EXIT

"$vorne" sim --bind 127.0.0.2 --port "$port" --objects "$objects" >"$work/sim.out" 2>&1 &
sim=$!
"$vorne" sim --bind 127.0.0.5 --port "$port" >"$work/sim2.out" 2>&1 &
sim2=$!
sleep 0.5

failures=0
# expect FILE ADDRESS VALUE: the tag arrived with quality 192 and exactly that value text.
expect() {
  local line
  line=$(grep -F "\"address\":\"$2\"" "$1" || true)
  if ! grep -qF "\"value\":\"$3\",\"quality\":192" <<<"$line"; then
    echo "FAIL $2: wanted \"$3\", got: ${line:-nothing}"
    failures=$((failures + 1))
  fi
}

"$vorne" read --json --bind 127.0.0.1 --port "$port" --log "$work/log" 127.0.0.2 \
  AV:9:PRESENT-VALUE AV:9:OUT-OF-SERVICE AV:9:HIGH-LIMIT AV:9:LOW-LIMIT AV:9:COV-INCREMENT AV:9:DESCRIPTION \
  AV:9:EVENT-ENABLE AV:9:NOTIFY-TYPE AV:9:TIME-DELAY AV:9:DEADBAND AV:9:LOCATION AV:9:MAX-PRES-VALUE \
  AV:9:OBJECT-IDENTIFIER AV:9:UNITS >"$work/types.json"
cat "$work/types.json"
expect "$work/types.json" AV:9:PRESENT-VALUE 21.5                # Real
expect "$work/types.json" AV:9:OUT-OF-SERVICE 0                  # Boolean
expect "$work/types.json" AV:9:HIGH-LIMIT 1.5e+09                # Double
expect "$work/types.json" AV:9:LOW-LIMIT -7                      # Signed
expect "$work/types.json" AV:9:DESCRIPTION "Zone Ä"              # CharacterString (UTF-8)
expect "$work/types.json" AV:9:EVENT-ENABLE 101                  # BitString
expect "$work/types.json" AV:9:NOTIFY-TYPE 1                     # Enumerated
expect "$work/types.json" AV:9:TIME-DELAY NULL                   # Null
expect "$work/types.json" AV:9:DEADBAND "00 FF 10 "              # OctetString
expect "$work/types.json" AV:9:LOCATION 14-3-2026                # Date
expect "$work/types.json" AV:9:MAX-PRES-VALUE 7:30:15.50         # Time
expect "$work/types.json" AV:9:OBJECT-IDENTIFIER 2:9             # ObjectIdentifier
expect "$work/types.json" AV:9:UNITS 62                          # Unsigned

# Constructed values through their coders, from the default object set.
for address in MSI:1:STATE-TEXT NC:1:PRIORITY CAL:1:DATE-LIST SCH:1:EFFECTIVE-PERIOD SCH:1:WEEKLY-SCHEDULE \
  SCH:1:LIST-OF-OBJECT-PROPERTY-REFERENCES NC:1:RECIPIENT-LIST AO:1:PRIORITY-ARRAY; do
  "$vorne" read --json --bind 127.0.0.1 --port "$port" --log "$work/log" 127.0.0.5 "$address" >>"$work/coders.json"
done
cat "$work/coders.json"
expect "$work/coders.json" MSI:1:STATE-TEXT "Off|Heating|Cooling|Fault"
expect "$work/coders.json" NC:1:PRIORITY "10|50|200"
expect "$work/coders.json" CAL:1:DATE-LIST "1-1-2026|24-12-2026,26-12-2026|5#FF#1"
expect "$work/coders.json" SCH:1:EFFECTIVE-PERIOD "1-1-2020|31-12-2099"
expect "$work/coders.json" SCH:1:LIST-OF-OBJECT-PROPERTY-REFERENCES "2,1|85"
expect "$work/coders.json" AO:1:PRIORITY-ARRAY "NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL"
grep -q '"address":"SCH:1:WEEKLY-SCHEDULE","value":"7:0:0.0,4,21;18:0:0.0,4,17|' "$work/coders.json" ||
  { echo "FAIL SCH:1:WEEKLY-SCHEDULE"; failures=$((failures + 1)); }
grep -q '"address":"NC:1:RECIPIENT-LIST".*"quality":192' "$work/coders.json" ||
  { echo "FAIL NC:1:RECIPIENT-LIST"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] || { echo "$failures values differ"; exit 1; }
echo "every primitive datatype and the coder-served values arrived as the simulator holds them"
