#!/usr/bin/env bash
# Checks the export and import tables of the Windows build:
#
#   VORNE.dll      exports exactly the sixteen entries, by undecorated name;
#                  imports only system DLLs and the host's libraries, those by
#                  ordinal only, each ordinal one the library's table gives.
#   tagcore.dll    export by ordinal only, exactly the numbers of their table,
#   netwise.dll    each number leading to the function of that name.
#   portwise.dll
#
# No DLL may import a MinGW runtime DLL (libstdc++, libgcc_s, libwinpthread):
# the runtimes are linked in statically.
#
# Usage: check_windows_dll.sh [--objdump PROG] [--nm PROG] [--format FMT] DIR
#   DIR       the folder holding VORNE.dll and the three host-library DLLs
#   --format  pei-i386 (default, the 32-bit DLL) or pei-x86-64
set -euo pipefail

objdump=i686-w64-mingw32-objdump
nm=i686-w64-mingw32-nm
format=pei-i386
while [ $# -gt 1 ]; do
  case "$1" in
    --objdump) objdump=$2; shift 2 ;;
    --nm) nm=$2; shift 2 ;;
    --format) format=$2; shift 2 ;;
    *) echo "check_windows_dll.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ $# -eq 1 ] || { echo "usage: check_windows_dll.sh [--objdump PROG] [--nm PROG] [--format FMT] DIR" >&2; exit 2; }
dir=$1

case "$format" in
  pei-i386) magic="PE32" ;;
  pei-x86-64) magic="PE32+" ;;
  *) echo "check_windows_dll.sh: unknown format $format" >&2; exit 2 ;;
esac

driver_exports="UDrvAddGroupW
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

# The host libraries' ordinals: "name ordinal", and "name ordinal reserved" for
# an operation not written yet (its number must then stay unused).
table_tagcore="RegisterDriver 1
ValidHeader 2
ValidAddress 3
ValidAddressEx 4
ParseAddresses 6
StoreText 18
GetHeaderAddress 23
CompareAddress 24
IsIpAddressText 25
AssignText 28
FetchText 29
HexByte 43
CloseDriver 51"
table_netwise="TraceLine 21
UdpOpen 30
UdpConfigure 31
UdpBind 32
UdpReceiveFrom 33
UdpClose 34
UdpSendTo 35"
table_portwise="SerialOpen 1
SerialSetReceiveCallback 2
SerialReadByte 3
SerialWrite 4
SerialClose 5
SerialTrace 21"

# System DLLs a DLL of the build may import (compared case-insensitively).
system_dlls="kernel32.dll msvcrt.dll ws2_32.dll advapi32.dll user32.dll ntdll.dll shell32.dll ole32.dll
oleaut32.dll bcrypt.dll iphlpapi.dll"
host_dlls="tagcore.dll netwise.dll portwise.dll"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
ok() { echo "ok:   $*"; }

lower() { tr '[:upper:]' '[:lower:]'; }

# objdump -p of a DLL into $text; false (and a failure) when it is missing.
dump() {
  local file=$1
  if [ ! -f "$file" ]; then
    fail "$file does not exist"
    return 1
  fi
  text=$("$objdump" -p "$file")
}

# Exported names, one a line, sorted.
export_names() {
  awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
       on && /^[[:space:]]*$/ { on = 0 }
       on && /\[/ { print $NF }' | sort
}

# Export address table: "ordinal rva" per exported address.
export_ordinals() {
  awk '/^Export Address Table -- Ordinal Base/ { on = 1; next }
       on && /^[[:space:]]*$/ { on = 0 }
       on && /\+base\[/ {
         line = $0
         sub(/.*\+base\[ */, "", line)
         split(line, parts, /\] */)
         split(parts[2], rest, / +/)
         print parts[1] + 0, rest[1], rest[2]
       }'
}

# Imports: "dll ordinal-or-name kind" per imported function (the DLL name in
# lower case), kind "ordinal" or "name". An import by ordinal is read from its thunk (the high bit set,
# the number in the low 16 bits): the column objdump prints beside it is
# decimal for PE32 but hexadecimal for PE32+.
imports() {
  local dll thunk what kind
  while read -r dll thunk what kind; do
    if [ "$kind" = ordinal ]; then
      echo "$dll $((16#${thunk: -4})) ordinal"
    else
      echo "$dll $what name"
    fi
  done < <(awk '/^[[:space:]]*DLL Name: / { dll = tolower($3); on = 0; next }
                dll != "" && /vma:.*Hint\/Ord/ { on = 1; next }
                on && /^[[:space:]]*$/ { on = 0; dll = ""; next }
                on {
                  if ($3 == "<none>") print dll, $1, "-", "ordinal"
                  else print dll, $1, $3, "name"
                }')
}

image_base() { awk '$1 == "ImageBase" { print $2; exit }'; }

# Checks the file format (and the optional header's magic to go with it).
check_format() {
  local name=$1 text=$2
  local fileformat
  fileformat=$(awk '/file format/ { print $NF; exit }' <<<"$text")
  if [ "$fileformat" != "$format" ]; then
    fail "$name: file format is '$fileformat', expected $format"
  fi
  if ! grep -Eq "^Magic[[:space:]]+[0-9a-f]+[[:space:]]+\($(sed 's/+/\\+/' <<<"$magic")\)" <<<"$text"; then
    fail "$name: optional header magic is not $magic"
  fi
}

# Every imported DLL is a system DLL or one of the host's libraries, never a
# MinGW runtime DLL.
check_imported_dlls() {
  local name=$1 text=$2
  local dll low
  for dll in $(awk '/^[[:space:]]*DLL Name: / { print $3 }' <<<"$text"); do
    low=$(lower <<<"$dll")
    case "$low" in
      libstdc++*|libgcc_s*|libwinpthread*|libgomp*|libssp*|libatomic*)
        fail "$name imports the MinGW runtime DLL $dll (link it statically: -static -static-libgcc -static-libstdc++)"
        continue ;;
    esac
    if [[ " $system_dlls " =~ [[:space:]]$low[[:space:]] ]] || [[ " $host_dlls " =~ [[:space:]]$low[[:space:]] ]]; then
      continue
    fi
    fail "$name imports $dll, which is neither a system DLL nor one of $host_dlls"
  done
}

table_of() {
  case "$1" in
    tagcore.dll) printf '%s\n' "$table_tagcore" ;;
    netwise.dll) printf '%s\n' "$table_netwise" ;;
    portwise.dll) printf '%s\n' "$table_portwise" ;;
  esac
}

# Imports from the host's libraries: by ordinal only, each a number that the
# library's table gives and the library exports.
check_host_imports() {
  local name=$1 text=$2
  local dll number kind low
  while read -r dll number kind; do
    [ -n "$dll" ] || continue
    low=$dll
    [[ " $host_dlls " =~ [[:space:]]$low[[:space:]] ]] || continue
    if [ "$kind" != ordinal ]; then
      fail "$name imports '$number' from $dll by name; the host's libraries are imported by ordinal only"
      continue
    fi
    local function=${table_function[$low:$number]:-}
    if [ -z "$function" ]; then
      fail "$name imports ordinal $number from $dll, which is not in that library's table"
    elif [ -n "${table_reserved[$low:$number]:-}" ]; then
      fail "$name imports ordinal $number from $dll, reserved for $function which does not exist yet"
    elif [ -z "${exported_ordinals[$low]+set}" ] || [[ " ${exported_ordinals[$low]} " != *" $number "* ]]; then
      fail "$name imports ordinal $number ($function) from $dll, which does not export it"
    else
      echo "      $name -> $dll @$number $function"
    fi
  done < <(imports <<<"$text")
}

declare -A exported_ordinals

# "dll:ordinal" -> function name, and the reserved ordinals.
declare -A table_function table_reserved
for table_dll in $host_dlls; do
  while read -r function number mark; do
    table_function[$table_dll:$number]=$function
    if [ "$mark" = reserved ]; then table_reserved[$table_dll:$number]=1; fi
  done < <(table_of "$table_dll")
done

# A host library: no exported names, exactly the ordinals of its table (the
# reserved ones only once their function exists), each leading to the
# function of that name.
check_host_library() {
  local dll=$1 text=$2
  local names
  names=$(export_names <<<"$text")
  if [ -n "$names" ]; then
    fail "$dll exports names ($(printf '%s' "$names" | tr '\n' ' ')); it must export by ordinal only"
  fi
  local base
  base=$(image_base <<<"$text")
  # Function name -> RVA (decimal) of the table's functions, from the symbol
  # table (32-bit names carry a leading underscore and the @N suffix).
  declare -A rva_of=()
  local wanted symbol_count=0 name address
  wanted=" $(table_of "$dll" | awk '{ printf "%s ", $1 }')"
  while read -r name address; do
    if [ "$name" = "#symbols" ]; then
      symbol_count=$address
    else
      rva_of[$name]=$((0x$address - 0x$base))
    fi
  done < <("$nm" "$dir/$dll" 2>/dev/null |
           awk -v decorated="$([ "$format" = pei-i386 ] && echo 1 || echo 0)" -v wanted="$wanted" '
             { ++count }
             $2 == "T" {
               name = $3
               sub(/@[0-9]+$/, "", name)
               if (decorated) sub(/^_/, "", name)
               if (index(wanted, " " name " ") > 0) print name, $1
             }
             END { print "#symbols", count + 0 }')
  if [ "$symbol_count" -eq 0 ]; then
    fail "$dll has no symbol table: ordinals cannot be matched to functions (do not strip the DLL)"
  fi
  declare -A exported=()
  local number rva what
  while read -r number rva what; do
    [ -n "$number" ] || continue
    if [ "$what" != Export ]; then
      fail "$dll: ordinal $number is a forwarder"
    fi
    exported[$number]=$rva
  done < <(export_ordinals <<<"$text")
  exported_ordinals[$dll]=" ${!exported[*]} "
  local function mark expected_numbers=" "
  while read -r function number mark; do
    expected_numbers+="$number "
    local has_function=no
    [ -n "${rva_of[$function]+set}" ] && has_function=yes
    if [ -z "${exported[$number]+set}" ]; then
      if [ "$mark" = reserved ] && [ $has_function = no ]; then
        continue
      fi
      fail "$dll does not export $function at ordinal $number"
      continue
    fi
    if [ $has_function = no ]; then
      fail "$dll exports ordinal $number, but has no function $function"
    elif [ $((0x${exported[$number]})) -ne "${rva_of[$function]}" ]; then
      fail "$dll: ordinal $number leads to RVA 0x${exported[$number]}, but $function is at $(printf '0x%x' "${rva_of[$function]}")"
    fi
  done < <(table_of "$dll")
  for number in "${!exported[@]}"; do
    if [[ "$expected_numbers" != *" $number "* ]]; then
      fail "$dll exports ordinal $number, which is not in its table"
    fi
  done
}

echo "Checking the Windows DLLs in $dir ($format)"

for dll in tagcore.dll netwise.dll portwise.dll; do
  if dump "$dir/$dll"; then
    before=$failures
    check_format "$dll" "$text"
    check_host_library "$dll" "$text"
    [ $failures -eq $before ] && ok "$dll: $format, exports by ordinal only, exactly its table"
  fi
done
# Imports of the host libraries themselves (Portwise's trace goes through
# Netwise), once all their export tables are known.
for dll in tagcore.dll netwise.dll portwise.dll; do
  if [ -f "$dir/$dll" ]; then
    text=$("$objdump" -p "$dir/$dll")
    before=$failures
    check_imported_dlls "$dll" "$text"
    check_host_imports "$dll" "$text"
    [ $failures -eq $before ] && ok "$dll: imports only system DLLs and the host's libraries, those by table ordinal"
  fi
done

if dump "$dir/VORNE.dll"; then
  before=$failures
  check_format VORNE.dll "$text"
  names=$(export_names <<<"$text")
  missing=$(comm -23 <(printf '%s\n' "$driver_exports") <(printf '%s\n' "$names") | tr '\n' ' ')
  unexpected=$(comm -13 <(printf '%s\n' "$driver_exports") <(printf '%s\n' "$names") | tr '\n' ' ')
  [ -z "${missing// }" ] || fail "VORNE.dll does not export: $missing"
  [ -z "${unexpected// }" ] || fail "VORNE.dll exports what it must not: $unexpected"
  count=$(export_ordinals <<<"$text" | grep -c . || true)
  if [ "$count" -ne 16 ]; then
    fail "VORNE.dll has $count exported addresses, expected 16 (an export without a name?)"
  fi
  [ $failures -eq $before ] && ok "VORNE.dll: $format, exports exactly the sixteen entries by undecorated name"
  before=$failures
  check_imported_dlls VORNE.dll "$text"
  check_host_imports VORNE.dll "$text"
  [ $failures -eq $before ] && ok "VORNE.dll: imports only system DLLs and the host's libraries, those by table ordinal"
fi

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
