#!/usr/bin/env bash
# Runs every `vorne` example of the README's "Using vorne" and "Commissioning
# a site" sections against vorne sim on loopback, so that none can fail
# unnoticed: the site's address 192.168.1.20 becomes a simulator on
# 127.0.0.2, the driver sends from 127.0.0.1, every command gets the test's
# port, poll stops after one scan, and simulators run in the background.
# Each block of examples runs on its own, in the README's order, simulators first.
#   readme_examples.sh VORNE PORT README
set -euo pipefail
vorne=$(realpath "$1")
port="$2"
readme=$(realpath "$3")
work=$(mktemp -d)
sims=()
stop_sims() { for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null || true; done; sims=(); sleep 0.2; }
trap 'stop_sims; rm -rf "$work"' EXIT
cd "$work"

fail() { echo "FAIL: $*"; exit 1; }

# The indented `vorne` lines of the two sections, one block per run of lines.
awk '/^## /{inside = ($0 ~ /^## (Using `vorne`|Commissioning a site)/)}
     inside && /^    vorne / {print; next}
     inside && !/^    vorne / {print "----"}' "$readme" | uniq >"$work/examples"
[ "$(grep -c '^    vorne' "$work/examples")" -ge 10 ] || fail "the README's examples were not found"

has_option() { local option="$1"; shift; for a in "$@"; do [ "$a" = "$option" ] && return 0; done; return 1; }

# The example as run here: loopback addresses, the test's port, one poll scan.
localize() {
    local -n out=$1
    shift
    local command="$2"
    out=("$vorne" "${@:2}")
    for i in "${!out[@]}"; do
        out[$i]=${out[$i]//192.168.1.20/127.0.0.2}
        [ -n "${pty:-}" ] && out[$i]=${out[$i]//\/dev\/pts\/3/$pty}
    done
    has_option --mstp "$@" && return
    if [ "$command" = demo ]; then out+=(--port $((port + 1))); return; fi
    has_option --port "$@" || out+=(--port "$port")
    case "$command" in
    read | write | poll | browse | discover)
        has_option --bind "$@" || out+=(--bind 127.0.0.1)
        has_option --broadcast "$@" || out+=(--broadcast 127.0.0.2)
        ;;
    esac
    [ "$command" = poll ] && ! has_option --count "$@" && out+=(--count 1)
    [ "$command" = discover ] && ! has_option --timeout "$@" && out+=(--timeout 1000)
    return 0
}

start_sim() {  # the sim example's words
    local log="$work/sim-${#sims[@]}.out" run
    localize run "$@"
    echo "+ ${run[*]} &"
    "${run[@]}" >"$log" 2>&1 &
    sims+=($!)
    for _ in $(seq 50); do
        grep -q "simulated device\|/dev/pts/" "$log" 2>/dev/null && break
        sleep 0.1
    done
    grep -q "simulated device\|/dev/pts/" "$log" || { cat "$log"; fail "the simulator did not start: $*"; }
    if has_option --mstp "$@"; then pty=$(grep -o '/dev/pts/[0-9]*' "$log" | head -1); fi
}

# The command's words as the shell reads them, without the comment and the trailing &.
words_of() {
    local text="${1%%  #*}"
    text="${text%"${text##*[![:space:]]}"}"
    echo "${text%&}"
}

run_block() {
    local lines=("$@") words run ran=0
    pty=""
    for line in "${lines[@]}"; do  # simulators first, in the background
        eval "words=($(words_of "$line"))"
        [ "${words[1]}" = sim ] && start_sim "${words[@]}"
    done
    # A block without simulators reads "the site": the default simulated device on 127.0.0.2.
    [ ${#sims[@]} -gt 0 ] || start_sim vorne sim --bind 127.0.0.2
    for line in "${lines[@]}"; do
        eval "words=($(words_of "$line"))"
        [ "${words[1]}" = sim ] && continue
        localize run "${words[@]}"
        echo "+ ${run[*]}"
        local status=0
        timeout 60 "${run[@]}" >"$work/out" 2>"$work/err" || status=$?
        head -15 "$work/out"
        cat "$work/err"
        [ "$status" -eq 0 ] || fail "the README example '$line' exited with status $status"
        ran=$((ran + 1))
    done
    stop_sims
    examples_run=$((examples_run + ran))
}

# The tag list the poll example reads.
printf 'name,station,address\nzone,192.168.1.20,AV:1:PRESENT-VALUE\noutside,192.168.1.20,AI:1:PRESENT-VALUE\n' |
    sed 's/192.168.1.20/127.0.0.2/' >tags.csv

examples_run=0
block=()
while IFS= read -r line; do
    if [ "$line" = "----" ]; then
        [ ${#block[@]} -gt 0 ] && run_block "${block[@]}"
        block=()
    else
        block+=("${line#    }")
    fi
done <"$work/examples"
[ ${#block[@]} -gt 0 ] && run_block "${block[@]}"
echo "README examples: $examples_run commands ran against simulators on loopback"
