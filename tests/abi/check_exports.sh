#!/usr/bin/env bash
# Fails unless the driver exports exactly the sixteen UDrv entries.
set -eu
library="$1"
expected="UDrvAddGroupW
UDrvClose
UDrvCompareAddressW
UDrvGetHeaderAddressW
UDrvGetTypeW
UDrvOnIdle
UDrvOpenW
UDrvReadGroupFinishExtW
UDrvReadGroupStartW
UDrvRemoveGroup
UDrvSetDriverTaskInterface
UDrvValidAddressExW
UDrvValidAddressW
UDrvValidHeaderW
UDrvWriteItemFinish
UDrvWriteItemStartW"
actual=$(nm -D --defined-only "$library" | awk '$2 ~ /^[TtWwDdBbRrVviu]$/ { print $3 }' | sort)
if [ "$actual" != "$expected" ]; then
  echo "export list of $library differs from the sixteen entries:"
  printf '%s\n' "$actual" | diff -u - <(printf '%s\n' "$expected") 2>/dev/null || printf 'actual:\n%s\n' "$actual"
  exit 1
fi
echo "$library exports exactly the sixteen entries"
