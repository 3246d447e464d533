#!/usr/bin/env bash
# The check of the 32-bit DLLs' tables must pass the real build and fail,
# naming the fault, on DLLs that are wrong in the ways a build can go wrong.
# The faulty DLLs are small stubs built from the .def files.
#
# Usage: check_windows_dll_test.sh CC OBJDUMP NM BINDIR SOURCEDIR
#   CC the 32-bit MinGW C compiler; BINDIR holds the built DLLs.
set -euo pipefail

cc=$1 objdump=$2 nm=$3 bin=$4 source=$5
check="$source/scripts/check_windows_dll.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A C file defining every Name@N of a .def file as a __stdcall function of
# N/4 int arguments, and a plain Name (an export without an argument size,
# as UDrvClose) as a function of none (distinct bodies, so that no two share
# an address).
stub_source() {
  awk '$1 ~ /@[0-9]+$/ {
         name = $1; sub(/@[0-9]+$/, "", name)
         n = $1; sub(/.*@/, "", n); n = n / 4
         args = ""
         for (i = 1; i <= n; ++i) args = args (i > 1 ? ", " : "") "int a" i
         if (n == 0) args = "void"
         printf "int __stdcall %s(%s) { return %d; }\n", name, args, ++count
         next
       }
       $1 ~ /^[A-Za-z_][A-Za-z0-9_]*$/ && $1 != "EXPORTS" && $1 != "LIBRARY" {
         printf "int %s(void) { return %d; }\n", $1, ++count
       }' "$1"
}

# stub NAME DEF [LINK FLAGS...]: builds NAME.dll from the stub of DEF.
stub() {
  local name=$1 def=$2
  shift 2
  stub_source "$def" >"$work/$name.c"
  "$cc" -shared -o "$work/set/$name.dll" "$work/$name.c" "$def" "$@"
}

# A fresh copy of the real DLLs, to spoil one of them.
fresh_set() {
  rm -rf "$work/set"
  mkdir -p "$work/set"
  cp "$bin/VORNE.dll" "$bin/tagcore.dll" "$bin/netwise.dll" "$bin/portwise.dll" "$work/set/"
}

# expect DESCRIPTION MESSAGE [CHECK OPTIONS...]: the check fails, saying MESSAGE.
expect() {
  local what=$1 message=$2
  shift 2
  local output status=0
  output=$("$check" --objdump "$objdump" --nm "$nm" "$@" "$work/set" 2>&1) || status=$?
  if [ $status -eq 0 ]; then
    echo "FAIL: $what: the check passed"
    failures=$((failures + 1))
  elif ! grep -qF -- "$message" <<<"$output"; then
    echo "FAIL: $what: the check failed without saying '$message':"
    sed 's/^/    /' <<<"$output"
    failures=$((failures + 1))
  else
    echo "ok:   $what"
  fi
}

fresh_set
if "$check" --objdump "$objdump" --nm "$nm" "$work/set" >"$work/baseline.txt" 2>&1; then
  echo "ok:   the real DLLs pass"
else
  echo "FAIL: the real DLLs do not pass:"
  sed 's/^/    /' "$work/baseline.txt"
  failures=$((failures + 1))
fi

expect "the real DLLs read as 64-bit" "file format is 'pei-i386', expected pei-x86-64" --format pei-x86-64

fresh_set
stub VORNE "$source/src/host/vorne.def"
expect "entries exported with their @N suffix (no --kill-at)" "VORNE.dll does not export: UDrvAddGroupW"

fresh_set
{ cat "$source/src/host/vorne.def"; echo "  UDrvDebugDump@4"; } >"$work/extra.def"
stub VORNE "$work/extra.def" -Wl,--kill-at
expect "a seventeenth export" "VORNE.dll exports what it must not: UDrvDebugDump"

fresh_set
# 64-bit division needs libgcc; -shared-libgcc takes it from its DLL.
{ stub_source "$source/src/host/vorne.def"
  echo 'long long __stdcall Divide(long long a, long long b) { return a / b; }'; } >"$work/VORNE.c"
"$cc" -shared -shared-libgcc -o "$work/set/VORNE.dll" "$work/VORNE.c" "$source/src/host/vorne.def" -Wl,--kill-at
expect "the MinGW runtime as a DLL" "VORNE.dll imports the MinGW runtime DLL libgcc_s"

fresh_set
sed -e 's/ValidHeader@8 @2/ValidHeader@8 @3/; s/ValidAddress@12 @3/ValidAddress@12 @2/' \
  "$source/hostlibs/tagcore/tagcore.def" >"$work/swapped.def"
stub tagcore "$work/swapped.def"
expect "two Tagcore ordinals swapped" "tagcore.dll: ordinal 2 leads to RVA"

fresh_set
grep -v "CloseDriver" "$source/hostlibs/tagcore/tagcore.def" >"$work/short.def"
stub tagcore "$work/short.def"
expect "an ordinal the driver imports is missing" "VORNE.dll imports ordinal 51 (CloseDriver) from tagcore.dll, which does not export it"

fresh_set
sed -e 's/ NONAME//' "$source/hostlibs/tagcore/tagcore.def" >"$work/named.def"
stub tagcore "$work/named.def" "-Wl,--out-implib,$work/libtagcore_named.a"
expect "Tagcore exports names" "tagcore.dll exports names"
# A driver linked against that library imports it by name.
{ stub_source "$source/src/host/vorne.def"
  echo 'int __stdcall RegisterDriver(const void*, void**);'
  echo 'int __stdcall Register(void) { return RegisterDriver(0, 0); }'; } >"$work/VORNE.c"
"$cc" -shared -o "$work/set/VORNE.dll" "$work/VORNE.c" "$source/src/host/vorne.def" -Wl,--kill-at \
  "$work/libtagcore_named.a"
expect "the driver imports Tagcore by name" "VORNE.dll imports 'RegisterDriver@8' from tagcore.dll by name"

fresh_set
printf 'LIBRARY helper.dll\nEXPORTS\n  Help@0\n' >"$work/helper.def"
stub helper "$work/helper.def" "-Wl,--out-implib,$work/libhelper.a"
{ stub_source "$source/src/host/vorne.def"
  echo 'int __stdcall Help(void);'
  echo 'int __stdcall CallHelp(void) { return Help(); }'; } >"$work/VORNE.c"
"$cc" -shared -o "$work/set/VORNE.dll" "$work/VORNE.c" "$source/src/host/vorne.def" -Wl,--kill-at "$work/libhelper.a"
expect "a DLL that is neither a system DLL nor the host's" "VORNE.dll imports helper.dll, which is neither"

if [ $failures -ne 0 ]; then
  echo "$failures case(s) failed"
  exit 1
fi
echo "the check catches every fault"
