#!/usr/bin/env bash
# Installs the packages the build and tests need (Debian 12), when missing.
#   setup.sh        what the release build and tests need
#   setup.sh --ci   also the sanitizer, cross-compiler and Wine packages of CI
#                   (64-bit Wine, and 32-bit Wine from the i386 architecture,
#                   which runs the 32-bit DLL's tests), and tshark for the
#                   interoperability run (scripts/interop.sh), with Node.js 20 or later
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev googletest binutils libbenchmark-dev)
if [ "${1:-}" = "--ci" ]; then
  packages+=(clang libclang-rt-14-dev g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686 wine64)
  packages+=(tshark unzip)
  # 32-bit Wine (the loader /usr/lib/wine/wine) comes from the i386 packages.
  packages+=(wine32:i386)
  # Debian's Node.js and npm unless the machine has them (for example from NodeSource).
  command -v npm >/dev/null || packages+=(nodejs npm)
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

# The interoperability peers (@bacnet-js/client) need Node.js 20 or later;
# Debian 12 ships 18. The npm package "node" brings a Node binary of the
# version asked for; scripts/interop.sh puts build/node first on PATH.
if [ "${1:-}" = "--ci" ]; then
  cd "$(dirname "$0")/.."
  node_major() { "$1" -p 'process.versions.node.split(".")[0]' 2>/dev/null || echo 0; }
  if [ "$(node_major node)" -lt 20 ] && [ "$(node_major build/node/node_modules/.bin/node)" -lt 20 ]; then
    echo "setup: Node.js $(node_major node) is older than 20; installing node@20 from npm into build/node"
    mkdir -p build/node
    npm install --prefix build/node --no-audit --no-fund --loglevel=error node@20
  fi
fi
