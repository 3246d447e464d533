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
ctest --preset win64
