#!/usr/bin/env bash
# The driver against third-party BACnet code: a device and a client on the npm
# package @bacnet-js/client (pinned in tests/interop/package-lock.json), with
# Wireshark's dissectors (tshark, text2pcap) decoding every frame the driver
# sends, BACnet/IP captured on lo and the MS/TP line tests' frames.
#   interop.sh [BUILD_DIR]   default build/release, which must hold vorne and vorne_unit_tests
# Captures on lo, so it runs as root (as CI does). Takes about a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"

# scripts/setup.sh --ci installs Node.js 20 into build/node where the system's is older.
[ -x build/node/node_modules/.bin/node ] && export PATH="$PWD/build/node/node_modules/.bin:$PATH"
for tool in node npm tshark text2pcap; do
  command -v "$tool" >/dev/null || { echo "interop: $tool is missing; scripts/setup.sh --ci installs it"; exit 1; }
done
major=$(node -p 'process.versions.node.split(".")[0]')
[ "$major" -ge 20 ] || {
  echo "interop: Node.js $major is too old, @bacnet-js/client needs 20 or later; scripts/setup.sh --ci installs it"
  exit 1
}
[ -x "$build/tools/vorne" ] || { echo "interop: no $build/tools/vorne, build first"; exit 1; }

(cd tests/interop && npm ci --no-audit --no-fund --loglevel=error)

export VORNE="$PWD/$build/tools/vorne"
export VORNE_UNIT_TESTS="$PWD/$build/tests/vorne_unit_tests"
export INTEROP_OUT="${INTEROP_OUT:-$PWD/$build/interop}"
mkdir -p "$INTEROP_OUT"
echo "interop: captures and logs in $INTEROP_OUT"
timeout 300 node --test --test-timeout=120000 tests/interop/interop.test.js
# One file at a time: each captures on lo and binds loopback addresses of its own.
timeout 120 node --test --test-timeout=100000 tests/interop/local_device.test.js
