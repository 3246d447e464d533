#!/usr/bin/env bash
# The 32-bit vorne.exe and VORNE.dll under 32-bit Wine against a simulated
# device that runs natively (Linux vorne sim) on its own loopback address:
# ReadProperty, a ReadPropertyMultiple group, a write at priority 8 and its
# relinquish, a NETWORK:DEVICE station bound by Who-Is, a segmented object
# list and a weekly schedule as text.
#
#   end_to_end.sh WINE-RUN LOADER PREFIX FOLDER PORT DEVICE [LIBRARY-FOLDER]
#
# FOLDER holds vorne.exe and VORNE.dll; LIBRARY-FOLDER (default FOLDER) the
# host-library DLLs, found through the Windows search path. The driver
# listens on PORT at 127.0.0.1; the device (with_native_device.sh) at the
# address DEVICE, on a port of its own.
set -euo pipefail
run=$1 loader=$2 prefix=$3 folder=$4 port=$5 device=$6 libraries=${7:-$4}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Windows paths for Wine: drive Z: is the Unix root.
export WINEPATH="Z:${libraries//\//\\}"
log="$work/driver.log"
failures=0

vorne() { # only read prints JSON; each command takes its own options
  local json=()
  [ "$1" = read ] && json=(--json)
  "$run" "$loader" "$prefix" "$folder/vorne.exe" "$1" "${json[@]}" --port "$port" --bind 127.0.0.1 \
    --broadcast "$device" --timeout 3000 --log "$log" "${@:2}"
}
# expect WHAT ADDRESS VALUE-PREFIX: the tag arrived with quality 192 and a value starting so.
expect() {
  local line
  line=$(grep -F "\"address\":\"$2\"" "$work/out" || true)
  if grep -qF "\"value\":\"$3" <<<"$line" && grep -qF '"quality":192' <<<"$line"; then
    echo "ok   $1"
  else
    echo "FAIL $1: $2 wanted \"$3...\", got: ${line:-nothing}"
    failures=$((failures + 1))
  fi
}
step() { # step WHAT COMMAND...: runs vorne.exe, keeps its output in $work/out
  if ! vorne "${@:2}" >"$work/out" 2>"$work/err"; then
    echo "FAIL $1: vorne.exe ${*:2} exited with an error"; sed 's/^/     /' "$work/err" "$work/out"
    failures=$((failures + 1))
  fi
}

step "ReadProperty" read "$device" AV:1:PRESENT-VALUE
expect "ReadProperty" AV:1:PRESENT-VALUE ""
step "ReadPropertyMultiple group" read "$device" AI:1:PRESENT-VALUE AI:1:UNITS AI:1:OBJECT-NAME AI:2:PRESENT-VALUE
expect "ReadPropertyMultiple group: present value" AI:1:PRESENT-VALUE ""
expect "ReadPropertyMultiple group: object name" AI:1:OBJECT-NAME ""
expect "ReadPropertyMultiple group: second object" AI:2:PRESENT-VALUE ""
step "write 42.5 at priority 8" write "$device" AV:1:PRESENT-VALUE:8 42.5
step "read it back" read "$device" AV:1:PRESENT-VALUE AV:1:PRIORITY-ARRAY
expect "the written value is present" AV:1:PRESENT-VALUE 42.5
expect "priority 8 holds it" AV:1:PRIORITY-ARRAY "NULL|NULL|NULL|NULL|NULL|NULL|NULL|42.5|"
step "relinquish priority 8" write --null-value NULL "$device" AV:1:PRESENT-VALUE:8 NULL
step "read it back" read "$device" AV:1:PRIORITY-ARRAY
expect "priority 8 is relinquished" AV:1:PRIORITY-ARRAY "NULL|NULL|NULL|NULL|NULL|NULL|NULL|NULL|"
step "NETWORK:DEVICE station bound by Who-Is" read 0:1234 DEV:1234:OBJECT-NAME
expect "NETWORK:DEVICE station bound by Who-Is" DEV:1234:OBJECT-NAME ""
step "segmented object list" read 0:1234 DEV:1234:OBJECT-LIST
expect "segmented object list" DEV:1234:OBJECT-LIST "(8:1234)(0:1)(0:2)"
step "weekly schedule as text" read "$device" SCH:1:WEEKLY-SCHEDULE
expect "weekly schedule as text" SCH:1:WEEKLY-SCHEDULE "7:0:0.0,4,21;18:0:0.0,4,17|"

if [ "$failures" -ne 0 ]; then
  echo "end_to_end.sh: $failures failures; the driver's log:"; sed 's/^/     /' "$log" 2>/dev/null | tail -40
  exit 1
fi
echo "end_to_end.sh: every step passed"
