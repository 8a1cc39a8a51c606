#!/usr/bin/env bash
# Checks Brindle.dll's binary interface: it exports exactly its fourteen undecorated names
# (no ordinal-only entries, no decorated or runtime-library names), and it binds router.dll
# at load time for exactly the engine's six functions.
# usage: check-exports.sh OBJDUMP BRINDLE_DLL
set -uo pipefail
objdump=$1 dll=$2

expected_exports="Abort_Route Destroy Do_File Init_Host Init_Route Init_display Init_log
 Init_mark Init_path Init_status Init_via Load_File Send_Comm SetTempPath"
expected_engine="rivirod_abort rivirod_command rivirod_dofile rivirod_init rivirod_load
 rivirod_sethost"

dump=$("$objdump" -p "$dll") || { echo "FAIL: cannot read $dll"; exit 1; }

sorted() { tr ' \n' '\n\n' | sed '/^$/d' | LC_ALL=C sort; }

exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' <<<"$dump" | sorted)
address_entries=$(sed -n 's/^[[:space:]]*Export Address Table[[:space:]]*\([0-9a-fA-F]*\)$/\1/p' <<<"$dump" | head -1)
engine=$(awk '
  /DLL Name:/ { inside = (tolower($3) == "router.dll"); next }
  inside && NF == 0 { inside = 0 }
  inside && $1 ~ /^[0-9a-f]+$/ && NF >= 3 { print $3 }' <<<"$dump" | sorted)

status=0
if [ "$exports" != "$(sorted <<<"$expected_exports")" ]; then
  echo "FAIL: exports differ from the fourteen names:"
  diff <(sorted <<<"$expected_exports") <(echo "$exports")
  status=1
fi
if [ -z "$address_entries" ] || [ $((16#$address_entries)) -ne 14 ]; then
  echo "FAIL: the export address table has ${address_entries:-no} (hex) entries, not 14"
  status=1
fi
if [ "$engine" != "$(sorted <<<"$expected_engine")" ]; then
  echo "FAIL: functions bound from router.dll differ from the engine's six:"
  diff <(sorted <<<"$expected_engine") <(echo "$engine")
  status=1
fi
echo "exports:" $exports
echo "from router.dll:" $engine
exit $status
