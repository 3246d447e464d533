#!/usr/bin/env bash
# Windows builds (cross-compiled with MinGW-w64; installs nothing):
#   win32  the 32-bit VORNE.dll and the host-library stand-ins, and the check
#          of their export and import tables;
#   win64  the same sources for 64-bit Windows, with the unit tests run under
#          Wine.
# Needs the Debian packages g++-mingw-w64-i686-posix, g++-mingw-w64-x86-64-posix
# and wine64 (besides cmake and ninja-build).
set -euo pipefail
cd "$(dirname "$0")/.."

step() { printf '\n==== %s ====\n' "$*"; }

step "win32: configure and build"
cmake --preset win32
cmake --build --preset win32

step "win32: export and import tables of the DLLs"
ctest --preset win32

step "win64: configure and build"
cmake --preset win64
cmake --build --preset win64

step "win64: tests under Wine"
# Each test program runs once under Wine (a Wine start per test case would take
# most of the CI budget). Loopback tests that need two addresses of 127/8 to
# bind a shared port are left to the Linux builds.
run=cmake/toolchains/wine64-run.sh
prefix="$PWD/build/win64/wine-prefix"
# The Wine server stays 30 s after the last program; stop it when done.
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
for program in vorne_unit_tests hostlib_tests sim_tests; do
  exe="build/win64/bin/$program.exe"
  [ -f "$exe" ] || continue
  echo "-- $program"
  "$run" "$prefix" "$exe" --gtest_brief=1 \
    --gtest_filter='-LoopbackTest.*:WhoIsTest.SeveralSimulatorsShareAPortOnDifferentAddresses'
done
