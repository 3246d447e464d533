#!/usr/bin/env bash
# The Windows package as a user gets it: unpacked into a folder of its own,
# run in a fresh Wine prefix, the stand-ins on the search path from their
# folder, with the end-to-end run against a native simulated device. A file
# missing from the package fails it.
#
#   package_end_to_end.sh ZIP SIM DEVICE-ADDRESS DEVICE-PORT DRIVER-PORT
set -euo pipefail
zip=$1 sim=$2 device=$3 device_port=$4 port=$5
here=$(cd "$(dirname "$0")" && pwd)
run="$here/../../cmake/toolchains/wine-run.sh"
unpacked=$(mktemp -d)
prefix="$unpacked/wine-prefix"
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$unpacked"' EXIT

unzip -q "$zip" -d "$unpacked"
top="$unpacked/$(basename "$zip" .zip)"
for file in VORNE.dll vorne.exe README-windows.txt stand-ins-for-testing/tagcore.dll \
  stand-ins-for-testing/netwise.dll stand-ins-for-testing/portwise.dll; do
  [ -f "$top/$file" ] || { echo "FAIL: the package lacks $file"; exit 1; }
done
"$here/with_native_device.sh" "$sim" "$device" "$device_port" \
  "$here/end_to_end.sh" "$run" /usr/lib/wine/wine "$prefix" "$top" "$port" "$device" "$top/stand-ins-for-testing"
