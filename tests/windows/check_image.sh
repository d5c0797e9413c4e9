#!/bin/bash
# The launcher image as it ships: PE32 (optional header magic 0x10B), a Windows
# GUI program, and no DLL imported beyond the system's own.  Prints its size.
#   check_image.sh OBJDUMP msilaunch.exe
set -u
objdump=$1 image=$2
headers=$("$objdump" -p "$image") || { echo "cannot read $image"; exit 1; }
failures=0
grep -q '^Magic[[:space:]]*010b' <<< "$headers" || { echo "FAIL not PE32 (optional header magic 0x10B)"; failures=1; }
grep -q '^Subsystem[[:space:]]*00000002' <<< "$headers" || { echo "FAIL subsystem is not Windows GUI"; failures=1; }
# Windows' own libraries that the launcher may import directly (all of them
# are in the system's known-DLL list, so the loader never takes them from the
# launcher's folder).
allowed=' KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll SHELL32.dll ole32.dll msvcrt.dll '
while read -r dll; do
    case "$allowed" in
        *" $dll "*) echo "import $dll" ;;
        *) echo "FAIL imports $dll"; failures=1 ;;
    esac
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<< "$headers")
echo "size $(stat -c %s "$image") bytes"
exit $failures
