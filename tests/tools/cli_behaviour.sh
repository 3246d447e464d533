#!/usr/bin/env bash
# What a user of vorne sees when things go right and wrong, against vorne sim
# on loopback: values in the order asked, no value where a read failed, exit
# statuses, messages that name the offending text and what to do next.
#   cli_behaviour.sh VORNE PORT read|poll|write|messages|browse|demo
# With KEEP_GOING=1 every check runs and each failed one is listed.
set -euo pipefail
vorne="$1"
port="$2"
mode="$3"
objects="$(dirname "$0")/every_type_objects.txt"
work=$(mktemp -d)
pids=()
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
    [ "${KEEP_GOING:-0}" = 1 ] || exit 1
}
# expect_exit STATUS COMMAND...: runs the command (output to $work/out and $work/err).
expect_exit() {
    local want="$1" got=0
    shift
    "$@" >"$work/out" 2>"$work/err" || got=$?
    cat "$work/out" "$work/err"
    [ "$got" -eq "$want" ] || fail "exit status $got, not $want: $*"
}
has() { grep -qF -- "$2" "$work/$1" || fail "$1 lacks: $2"; }
lacks() { ! grep -qF -- "$2" "$work/$1" || fail "$1 holds: $2"; }

start_sim() {  # ADDRESS, then vorne sim options
    local address="$1"
    shift
    "$vorne" sim --bind "$address" --port "$port" "$@" >"$work/sim-$address.out" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do
        grep -q "simulated device" "$work/sim-$address.out" 2>/dev/null && return
        sleep 0.1
    done
    fail "the simulator on $address did not start"
}

driver=(--bind 127.0.0.1 --port "$port" --timeout 1000)

case "$mode" in
read)
    start_sim 127.0.0.2
    # Several object types of one station: one group each, printed in the order given.
    expect_exit 0 "$vorne" read "${driver[@]}" 127.0.0.2 AI:1:PRESENT-VALUE AV:1:PRESENT-VALUE AI:2:PRESENT-VALUE \
        AV:1:OBJECT-NAME
    [ "$(grep -c 'quality 192' "$work/out")" -eq 4 ] || fail "not every tag got its value"
    [ "$(cut -d' ' -f1 "$work/out" | head -4 | tr '\n' ' ')" = "AI:1:PRESENT-VALUE AV:1:PRESENT-VALUE AI:2:PRESENT-VALUE AV:1:OBJECT-NAME " ] ||
        fail "values not in the order given"
    has out "scan status: 0 (success)"
    # A REAL shows as the shortest text that reads back to it.
    has out "AI:2:PRESENT-VALUE               21.3 "
    # A failed read prints no value, says why, and fails the command.
    expect_exit 1 "$vorne" read "${driver[@]}" --json 127.0.0.2 AV:1:PRESENT-VALUE AV:1:PROFILE-NAME
    has out '"address":"AV:1:PROFILE-NAME","value":null,"quality":0'
    expect_exit 1 "$vorne" read "${driver[@]}" 127.0.0.2 AV:1:PROFILE-NAME
    has out "(no value)"
    has out "15 (unknown property)"
    lacks out " 0    "
    # The driver's communication log stays out of the output unless asked for.
    lacks err "Created Receiver Sink"
    expect_exit 0 "$vorne" read "${driver[@]}" --verbose 127.0.0.2 AV:1:PRESENT-VALUE
    has err "Created Receiver Sink"
    expect_exit 0 "$vorne" read "${driver[@]}" --log "$work/driver.log" 127.0.0.2 AV:1:PRESENT-VALUE
    lacks err "Created Receiver Sink"
    grep -q "Created Receiver Sink" "$work/driver.log" || fail "--log FILE got no log"
    # A device that sends no I-Am is named, with what to check.
    expect_exit 1 "$vorne" read "${driver[@]}" --broadcast 127.0.0.2 0:9999 DEV:9999:OBJECT-NAME
    has err "no I-Am from device 9999 within 1000 ms; check the device instance and the broadcast address"
    lacks err "BACNET_ERROR_DEVICE_UNAVAILABLE"
    # A silent station is called silent.
    expect_exit 1 "$vorne" read "${driver[@]}" 127.0.0.9 AV:1:PRESENT-VALUE
    has err "station 127.0.0.9 is silent"
    ;;
poll)
    start_sim 127.0.0.2
    cat >"$work/tags.csv" <<'TAGS'
name,station,address,note
zone,127.0.0.2,AV:1:PRESENT-VALUE,
typo,127.0.0.2,AV:3:PRESNT-VALUE,a mistyped property
"Zone 2, ""north""", "127.0.0.2" ,"AV:2:PRESENT-VALUE","quoted, as spreadsheets write"
badstation,300.1.1.1,AV:1:PRESENT-VALUE
short,127.0.0.2
outside,127.0.0.2,AI:1:PRESENT-VALUE
TAGS
    # Bad rows are named by line and left out; every good row still gets its value.
    expect_exit 1 "$vorne" poll --tags "$work/tags.csv" "${driver[@]}" --count 1 --json
    has err "$work/tags.csv:3: address AV:3:PRESNT-VALUE: unknown property 'PRESNT-VALUE'"
    has err "$work/tags.csv:5: station '300.1.1.1': '300.1.1.1' is not an IPv4 address"
    has err "$work/tags.csv:6: expected name,station,address"
    [ "$(grep -c '"quality":192' "$work/out")" -eq 3 ] || fail "a bad row cost a good row its value"
    has out '"tag":"Zone 2, \"north\"","value":"'
    lacks out '"tag":"typo"'
    # --strict refuses the list and polls nothing.
    expect_exit 2 "$vorne" poll --tags "$work/tags.csv" "${driver[@]}" --count 1 --json --strict
    [ ! -s "$work/out" ] || fail "--strict polled a list with bad rows"
    has err "--strict"
    # A tag without a value in the last scan makes exit status 1; no value is printed for it.
    printf 'zone,127.0.0.2,AV:1:PRESENT-VALUE\nghost,127.0.0.9,AV:1:PRESENT-VALUE\n' >"$work/dead.csv"
    expect_exit 1 "$vorne" poll --tags "$work/dead.csv" "${driver[@]}" --count 1
    has out "1 ghost (no value) quality=0 status=-15"
    has err "station 127.0.0.9 is silent"
    printf 'zone,127.0.0.2,AV:1:PRESENT-VALUE\n' >"$work/good.csv"
    expect_exit 0 "$vorne" poll --tags "$work/good.csv" "${driver[@]}" --count 2
    ;;
write)
    start_sim 127.0.0.2 --objects "$objects"
    # NULL without --null-value: the option is named.
    expect_exit 2 "$vorne" write "${driver[@]}" 127.0.0.2 AV:9:PRESENT-VALUE:8 NULL
    has err "--null-value NULL"
    expect_exit 0 "$vorne" write "${driver[@]}" --null-value NULL 127.0.0.2 AV:9:PRESENT-VALUE:8 NULL
    # A value that does not fit says what the property takes.
    expect_exit 2 "$vorne" write "${driver[@]}" 127.0.0.2 AV:9:PRESENT-VALUE:8 warm
    has err "'warm' does not fit AV:9:PRESENT-VALUE:8, which takes a number"
    expect_exit 1 "$vorne" write "${driver[@]}" 127.0.0.2 AV:9:EVENT-ENABLE 1x1
    has err "which takes a bit string, one 0 or 1 per bit (now 101)"
    start_sim 127.0.0.5
    expect_exit 1 "$vorne" write "${driver[@]}" 127.0.0.5 SCH:1:EFFECTIVE-PERIOD soon
    has err "which takes items separated by | in the form it reads as (now 1-1-2020|31-12-2099)"
    ;;
messages)
    start_sim 127.0.0.2
    # Malformed stations and addresses: named, with the expected form and an example; exit 2.
    expect_exit 2 "$vorne" read "${driver[@]}" 300.1.1.1 AV:1:PRESENT-VALUE
    has err "station '300.1.1.1': '300.1.1.1' is not an IPv4 address; expected an IP address (192.168.1.20), NETWORK:DEVICE (0:1234)"
    expect_exit 2 "$vorne" read "${driver[@]}" 127.0.0.2 AV:1:PRESENT-VALUE AV:x:PRESENT-VALUE
    has err "address 'AV:x:PRESENT-VALUE': instance 'x' is not a number in 0..4194303, e.g. AV:1:PRESENT-VALUE"
    lacks out "AV:1:PRESENT-VALUE"
    expect_exit 2 "$vorne" write "${driver[@]}" 127.0.0.2:5 AV:1:PRESENT-VALUE 1
    has err "station '127.0.0.2:5'"
    # --bind is checked like --broadcast.
    expect_exit 2 "$vorne" read --bind 127.0.0.300 --port "$port" 127.0.0.2 AV:1:PRESENT-VALUE
    has err "--bind 127.0.0.300: '127.0.0.300' is not an IPv4 address"
    expect_exit 2 "$vorne" read --broadcast 10.0.0.x --port "$port" 127.0.0.2 AV:1:PRESENT-VALUE
    has err "--broadcast 10.0.0.x: '10.0.0.x' is not an IPv4 address"
    expect_exit 2 "$vorne" read --bind 192.0.2.1 --port "$port" 127.0.0.2 AV:1:PRESENT-VALUE
    has err "--bind 192.0.2.1: not an address of this machine"
    # A busy port: said in words, with the options that pick another.
    expect_exit 1 "$vorne" sim --bind 127.0.0.2 --port "$port"
    has err "127.0.0.2:$port: address already in use"
    has err "--port N or --bind ADDR picks another"
    expect_exit 0 "$vorne" read --bind 127.0.0.2 --port "$port" 127.0.0.2 AV:1:PRESENT-VALUE
    has err "address already in use"
    [ "$(grep -c "address already in use" "$work/err")" -eq 1 ] || fail "the busy port was said more than once"
    # Each command's --help lists its own options only; others are refused by name.
    expect_exit 0 "$vorne" read --help
    has out "--json"
    for other in --tags --unreadable --null-value --range --out --strict; do lacks out "$other "; done
    expect_exit 0 "$vorne" sim --help
    has out "--unreadable"
    for other in --null-value --json --tags --driver; do lacks out "$other "; done
    expect_exit 0 "$vorne" poll --help
    has out "--strict"
    lacks out "--device "
    expect_exit 2 "$vorne" read --tags x.csv 127.0.0.2 AV:1:PRESENT-VALUE
    has err "--tags is not an option of read (see vorne read --help)"
    ;;
browse)
    # Ctrl-C while the object list comes element by element: "interrupted", and a tag list is written.
    # Enough objects that reading them element by element takes seconds even on a fast machine.
    echo "AV 1..8000 present-value=21" >"$work/many.txt"
    start_sim 127.0.0.4 --device 1235 --network 5 --mac 10 --no-segmentation --objects "$work/many.txt"
    # interrupt_browse STATION PHASE SIM-PID: Ctrl-C once PHASE shows, the device held still
    # first so that the browse is surely in the middle of that phase.
    interrupt_browse() {
        "$vorne" browse "$1" "${driver[@]}" --broadcast "${1%%:*}" --out "$work/list.csv" >"$work/out" 2>"$work/err" &
        local browse=$! status=0
        for _ in $(seq 3000); do
            grep -q "$2" "$work/err" 2>/dev/null && break
            sleep 0.01
        done
        kill -STOP "$3"
        sleep 0.2
        kill -INT "$browse"
        wait "$browse" || status=$?
        kill -CONT "$3"
        cat "$work/err"
        [ "$status" -eq 1 ] || fail "browse interrupted after '$2' gave exit status $status"
        has err "vorne browse: interrupted"
        head -1 "$work/list.csv" | grep -q "^name,station,address," || fail "no tag list written when interrupted"
    }
    interrupt_browse 127.0.0.4:5:1235:0A "element by element" "${pids[-1]}"
    # A silent station named by address is reported as silent.
    expect_exit 1 "$vorne" browse 127.0.0.9 "${driver[@]}" --timeout 300
    has err "station 127.0.0.9 is silent"
    ;;
demo)
    expect_exit 0 "$vorne" demo --port "$port"
    [ "$(grep -c "quality 192: the value arrived" "$work/out")" -eq 1 ] || fail "quality 192 is not explained once"
    has out "AI:1:UNITS                     62 (degrees-Celsius)"
    has out "AI:2:PRESENT-VALUE             21.3 "
    lacks out "21.2999"
    has out "Monday     07:00 21       18:00 17"
    has out "Sunday     (no entries)"
    has out "SCH:1:WEEKLY-SCHEDULE          7:0:0.0,4,21;18:0:0.0,4,17|"
    lacks err "Created Receiver Sink"
    ;;
*) fail "unknown mode $mode" ;;
esac
[ "$failures" -eq 0 ] || { echo "cli $mode: $failures checks failed"; exit 1; }
echo "cli $mode: ok"
