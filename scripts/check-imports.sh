#!/usr/bin/env bash
# Lists the DLL imports of every .exe and .dll in a build folder and fails when one of them
# needs a DLL that does not come with Windows (a MinGW runtime DLL, say).
# usage: check-imports.sh OBJDUMP BUILD_DIR [EXCLUDED_DIR...]
set -uo pipefail
objdump=$1 build_dir=$2
shift 2

# DLLs that every supported Windows has in its system folder.
system_dlls=" advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll gdi32.dll imm32.dll
 kernel32.dll msvcrt.dll ntdll.dll ole32.dll oleaut32.dll psapi.dll riched32.dll rpcrt4.dll
 shell32.dll shfolder.dll shlwapi.dll user32.dll uxtheme.dll version.dll wininet.dll winmm.dll
 ws2_32.dll mpr.dll netapi32.dll userenv.dll secur32.dll "
# The bridge and its tests load the autorouter engine, which lies beside the host.
engine_dlls=" router.dll "

prune=(-path "$build_dir/CMakeFiles" -o -path "$build_dir/googletest")
for d in "$@"; do prune+=(-o -path "$d"); done

count=0 bad=0
while IFS= read -r -d '' file; do
  count=$((count + 1))
  rel=${file#"$build_dir"/}
  imports=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
  for dll in $imports; do
    allowed=$system_dlls
    case $rel in bridge/*) allowed+=$engine_dlls ;; esac
    if [[ $allowed != *" $dll "* ]]; then
      echo "FAIL: $rel imports $dll, which is not part of Windows"
      bad=$((bad + 1))
    fi
  done
  echo "$rel: ${imports//$'\n'/ }"
done < <(find "$build_dir" \( "${prune[@]}" \) -prune -o -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0)

if [ "$count" -eq 0 ]; then
  echo "FAIL: no .exe or .dll found in $build_dir"
  exit 1
fi
echo "$count files checked, $bad forbidden imports"
[ "$bad" -eq 0 ]
