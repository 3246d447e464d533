#!/usr/bin/env bash
# Runs a Windows program under Debian's Wine, for the tests of a cross-compiled
# build: wine-run.sh LOADER PREFIX PROGRAM [ARGUMENTS...]
#
# LOADER is /usr/lib/wine/wine64 for 64-bit programs, /usr/lib/wine/wine (the
# package wine32:i386) for 32-bit ones. PREFIX is the Wine prefix, created on
# first use (several callers may race for that; one creates it, the others
# wait); a prefix made by the 32-bit loader is a 32-bit one. No display is used, Wine's own
# diagnostics are silenced, and Mono and Gecko are never offered. Line ends
# of the program's output become Unix ones (CMake reads the test list from
# it). The program's exit status is returned.
set -euo pipefail

wine=$1
prefix=$2
shift 2
wineserver=$(dirname "$wine")/wineserver
if [ ! -x "$wine" ]; then
  echo "wine-run.sh: no Wine loader $wine (for 32-bit programs: apt-get install wine32:i386)" >&2
  exit 1
fi

export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$prefix/.vorne-ready" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/.vorne-ready" ]; then
      "$wine" wineboot --init >/dev/null 2>&1 || true
      # The registry reaches the disk when the server ends.
      "$wineserver" -w || true
      if [ ! -f "$prefix/system.reg" ]; then
        echo "wine-run.sh: could not create the Wine prefix $prefix with $wine" >&2
        exit 1
      fi
      touch "$prefix/.vorne-ready"
    fi
  ) 9>"$prefix.lock"
fi

# One server for a run of many programs: Debian's wineserver quits the moment
# its last program ends, and each start of a server costs seconds. This one
# stays 30 s after the last program (a running one makes this a no-op).
"$wineserver" -p30 </dev/null >/dev/null 2>&1 || true

# WINE_RUN_UNBUFFERED=1: the output goes straight on, for a caller that writes
# it to a file and wants to see how far a program got when it had to be
# stopped.
if [ "${WINE_RUN_UNBUFFERED:-0}" = 1 ]; then
  exec "$wine" "$@"
fi

# Otherwise the output goes through files: Wine starts helper processes that
# inherit it and outlive the program by a few seconds, and whoever reads a
# pipe to its end (ctest) would wait for them too.
output=$(mktemp)
errors=$(mktemp)
trap 'rm -f "$output" "$errors"' EXIT
status=0
"$wine" "$@" >"$output" 2>"$errors" || status=$?
sed -e 's/\r$//' "$output"
sed -e 's/\r$//' "$errors" >&2
exit $status
