#!/usr/bin/env bash
# Commissioning a site on loopback: vorne discover finds simulated devices,
# vorne browse turns one into a tag list, vorne poll scans that list.
#   commissioning.sh VORNE PORT discover|browse_and_poll|no_segmentation|errors
set -euo pipefail
vorne="$1"
port="$2"
mode="$3"
work=$(mktemp -d)
sims=()
trap 'for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

start_sim() {  # ADDRESS, then vorne sim options
    local address="$1"
    shift
    "$vorne" sim --bind "$address" --port "$port" "$@" >"$work/sim-$address.out" 2>&1 &
    sims+=($!)
}

wait_for_sims() {
    for address in "$@"; do
        for _ in $(seq 50); do
            grep -q "simulated device" "$work/sim-$address.out" 2>/dev/null && break
            sleep 0.1
        done
        grep -q "simulated device" "$work/sim-$address.out" || fail "the simulator on $address did not start"
    done
}

driver=(--bind 127.0.0.1 --port "$port" --timeout 500)

# Every tag of the list at quality 192 in one scan.
poll_all_good() {
    local tags="$1" expected="$2"
    "$vorne" poll --tags "$tags" "${driver[@]}" --count 1 --json --log "$work/poll.log" >"$work/poll.json"
    local scanned good
    scanned=$(grep -c '"tag"' "$work/poll.json" || true)
    good=$(grep -c '"quality":192' "$work/poll.json" || true)
    [ "$scanned" -eq "$expected" ] || fail "poll scanned $scanned tags, not $expected"
    [ "$good" -eq "$expected" ] || { grep -v '"quality":192' "$work/poll.json" | head -5; fail "only $good of $expected tags at quality 192"; }
    echo "poll: $good of $expected tags at quality 192"
}

tag_lines() { tail -n +2 "$1" | grep -c . || true; }

case "$mode" in
discover)
    # One device on the IP network, one behind a router (network 5, MAC 0A);
    # 127.0.0.2 is asked twice, so its I-Am comes twice and must count once.
    start_sim 127.0.0.2 --name "Plant room"
    start_sim 127.0.0.4 --device 1235 --network 5 --mac 10 --name "Roof unit"
    wait_for_sims 127.0.0.2 127.0.0.4
    "$vorne" discover --bind 127.0.0.1 --port "$port" --broadcast 127.0.0.2,127.0.0.4,127.0.0.2 --timeout 1000 \
        --json >"$work/found.json"
    cat "$work/found.json"
    [ "$(grep -c . "$work/found.json")" -eq 2 ] || fail "expected two devices, once each"
    grep -q '"device":1234,"station":"127.0.0.2","network":0,.*"segmentation":"both".*"name":"Plant room"' \
        "$work/found.json" || fail "the plant room device is missing or wrong"
    grep -q '"device":1235,"station":"127.0.0.4:5:1235:0A","network":5,"mac":"0A".*"name":"Roof unit"' \
        "$work/found.json" || fail "the routed device is missing or wrong"
    # The station text that discover prints is one the driver reads from.
    "$vorne" read 127.0.0.4:5:1235:0A DEV:1235:OBJECT-NAME "${driver[@]}" --log "$work/read.log" | tee "$work/read.out"
    grep -q "Roof unit" "$work/read.out" || fail "the routed station text does not reach the device"
    # A range that leaves out the routed device.
    "$vorne" discover --bind 127.0.0.1 --port "$port" --broadcast 127.0.0.2,127.0.0.4 --timeout 500 \
        --range 1000-1234 >"$work/range.out"
    cat "$work/range.out"
    grep -q "^1 device found" "$work/range.out" || fail "--range did not narrow the Who-Is"
    ;;
browse_and_poll)
    # A few hundred objects, names that repeat, carry commas and are not ASCII.
    cat >"$work/objects.txt" <<'OBJECTS'
AV 1..250 object-name="Zone {n}, setpoint" present-value=21 units=62
AV 251..255 object-name="Zone 1, setpoint"
AI 1..30 object-name="Température {n}" present-value=19.5 units=62
BI 1..20 object-name="Pump {n} status" active-text="Running" inactive-text="Stopped"
MSV 1..5 number-of-states=3 state-text=["Off", "Low", "High"] present-value=2
BSV 1 present-value=BITS:0101
OBJECTS
    start_sim 127.0.0.2 --objects "$work/objects.txt" --name "Plant room"
    wait_for_sims 127.0.0.2
    "$vorne" browse 127.0.0.2 "${driver[@]}" --broadcast 127.0.0.2 --out "$work/tags.csv" --log "$work/browse.log" \
        2>"$work/browse.err"
    cat "$work/browse.err"
    head -4 "$work/tags.csv"
    grep -q "(segmented answer)" "$work/browse.err" || fail "the object list did not come segmented"
    head -1 "$work/tags.csv" | grep -q "^name,station,address," || fail "no header line"
    [ "$(tag_lines "$work/tags.csv")" -eq 310 ] || fail "expected 310 tags"
    tail -n +2 "$work/tags.csv" | cut -d, -f1 >"$work/names"
    grep -vq '^[A-Za-z_][A-Za-z0-9_]*$' "$work/names" && fail "a tag name is not safe"
    [ -z "$(tr 'A-Z' 'a-z' <"$work/names" | sort | uniq -d)" ] || fail "tag names repeat"
    grep -q '^Zone_1_setpoint_6,127.0.0.2,AV:255:PRESENT-VALUE,AV:255,"Zone 1, setpoint",' "$work/tags.csv" ||
        fail "repeated object names were not made unique"
    grep -q '^Pump_3_status,127.0.0.2,BI:3:PRESENT-VALUE,.*,Stopped|Running,no$' "$work/tags.csv" ||
        fail "binary texts missing"
    grep -q ',MSV:2,.*,Off|Low|High,yes$' "$work/tags.csv" || fail "state texts or commandable missing"
    grep -q ',AI:7,.*,62 (degrees-Celsius),no$' "$work/tags.csv" || fail "units missing"
    grep -q "BSV:1" "$work/browse.err" || fail "the untaggable object is not reported"
    poll_all_good "$work/tags.csv" 310
    ;;
no_segmentation)
    # A device that never segments, behind a router: the object list comes element by element.
    start_sim 127.0.0.4 --device 1235 --network 5 --mac 10 --no-segmentation
    wait_for_sims 127.0.0.4
    "$vorne" browse 127.0.0.4:5:1235:0A "${driver[@]}" --broadcast 127.0.0.4 --out "$work/tags.csv" \
        --log "$work/browse.log" 2>"$work/browse.err"
    cat "$work/browse.err"
    grep -q "segmentation none" "$work/browse.err" || fail "the device's segmentation was not read"
    grep -q "read element by element (327 reads)" "$work/browse.err" || fail "the object list was not read by index"
    [ "$(tag_lines "$work/tags.csv")" -eq 317 ] || fail "expected 317 tags"
    poll_all_good "$work/tags.csv" 317
    ;;
errors)
    # Two objects refuse every read; the rest make the tag list. Then a device that is not there.
    start_sim 127.0.0.6 --device 1236 --unreadable AV:7,AI:2
    wait_for_sims 127.0.0.6
    "$vorne" browse 127.0.0.6 "${driver[@]}" --broadcast 127.0.0.6 --out "$work/tags.csv" --log "$work/browse.log" \
        2>"$work/browse.err"
    cat "$work/browse.err"
    grep -q "failed: AV:7 OBJECT-NAME: 19 .*read-access-denied" "$work/browse.err" || fail "AV:7 not listed with its error"
    grep -q "failed: AI:2 " "$work/browse.err" || fail "AI:2 not listed"
    grep -q ",AV:7:PRESENT-VALUE," "$work/tags.csv" && fail "a failed object made a tag"
    grep -q ",AV:8:PRESENT-VALUE," "$work/tags.csv" || fail "the object after the failed one is missing"
    [ "$(tag_lines "$work/tags.csv")" -eq 315 ] || fail "expected 315 tags"
    poll_all_good "$work/tags.csv" 315
    "$vorne" browse 127.0.0.6 "${driver[@]}" --json --log "$work/json.log" 2>/dev/null >"$work/objects.json"
    grep -q '^{"object":"AV:7",.*"error":"OBJECT-NAME: 19 ' "$work/objects.json" || fail "--json lacks the failed object"
    grep -q '^{"object":"AV:8","name":"Analog value 8","tag":"Analog_value_8",' "$work/objects.json" ||
        fail "--json lacks a good object with its tag"
    status=0
    "$vorne" browse 127.0.0.9:0:77 "${driver[@]}" --log "$work/absent.log" >/dev/null 2>"$work/absent.err" || status=$?
    cat "$work/absent.err"
    [ "$status" -eq 1 ] || fail "a device that does not answer gave exit status $status"
    grep -q "does not answer" "$work/absent.err" || fail "no clear message for a device that does not answer"
    ;;
*) fail "unknown mode $mode" ;;
esac
echo "commissioning $mode: ok"
