#!/usr/bin/env bash
# Installs the packages the build and tests need (Debian 12), when missing.
#   setup.sh        what the release build and tests need
#   setup.sh --ci   also the sanitizer, cross-compiler and Wine packages of CI
#                   (64-bit Wine, and 32-bit Wine from the i386 architecture,
#                   which runs the 32-bit DLL's tests), and tshark for the
#                   interoperability run (scripts/interop.sh)
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev googletest binutils libbenchmark-dev)
if [ "${1:-}" = "--ci" ]; then
  packages+=(clang libclang-rt-14-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 wine64)
  packages+=(tshark unzip)
  # 32-bit Wine (the loader /usr/lib/wine/wine) comes from the i386 packages.
  packages+=(wine32:i386)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  for attempt in 1 2 3; do
    if $SUDO apt-get update -qq; then break; fi
    echo "apt-get update failed (attempt $attempt), retrying in 15 s"; sleep 15
  done
  # wireshark-common asks whether non-root users may capture: no.
  echo "wireshark-common wireshark-common/install-setuid boolean false" | $SUDO debconf-set-selections
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
