#!/bin/bash
# Checks that a Windows program file is what a disc can carry on its own: a GUI program of the
# expected machine that imports DLLs Windows itself ships, and nothing else.
# imports.sh <objdump> <program> <machine, as objdump names the file format>
set -u
objdump=$1 program=$2 format=$3
# The DLLs of every Windows installation the program may use.
system_dlls="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
shell32.dll shlwapi.dll user32.dll uxtheme.dll version.dll windowscodecs.dll"

headers=$("$objdump" -p "$program") || exit 1
status=0
grep -q "file format $format" <<<"$headers" || { echo "$program is not $format"; status=1; }
grep -qE "^Subsystem[[:space:]]+0*2[[:space:]]" <<<"$headers" || { echo "$program is not a GUI program"; status=1; }
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
[ -n "$dlls" ] || { echo "$program imports nothing?"; status=1; }
for dll in $dlls; do
    if grep -qw -- "$dll" <<<"$system_dlls"; then
        echo "imports $dll"
    else
        echo "imports $dll, which Windows does not ship"
        status=1
    fi
done
exit $status
