#!/bin/sh
# Checks the built exe's headers: GUI subsystem, only Windows system DLLs
# imported (the runtime is linked in) and none of those that are loaded on
# demand, and the icon, version and manifest resources present.
objdump=$1
exe=$2
dump=$("$objdump" -p "$exe") || { echo "objdump failed on $exe"; exit 1; }
fail=0
echo "$dump" | grep -q 'Subsystem[[:space:]]*00000002' || { echo "not a GUI-subsystem exe"; fail=1; }
# WININET, COMDLG32 and SHELL32 are loaded on demand: importing them would
# cost every start.
allowed='^(KERNEL32|USER32|GDI32|SHLWAPI|ADVAPI32|msvcrt|api-ms-win-crt-[a-z0-9-]*)\.dll$'
imports=$(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p')
echo "imports:" $imports
for dll in $imports; do
  echo "$dll" | grep -qiE "$allowed" || { echo "imports $dll at start-up"; fail=1; }
done
# Resource types in the directory: 3 icon, 14 group icon, 16 version, 24 manifest.
# Only the type table's entries, indented by three blanks, name types: deeper
# ones name resources, such as the images 14 and 16 of an icon.
for type in 000003 00000e 000010 000018; do
  echo "$dump" | grep -qE "^[0-9a-f]+   Entry: ID: 0x$type, Value: 0x8" || { echo "resource of type 0x$type missing"; fail=1; }
done
# The group icon is named MYICON and its language is Japanese (0x411).
echo "$dump" | grep -A2 ': MYICON,' | grep -q 'Entry: ID: 0x000411' || { echo "Japanese group icon MYICON missing"; fail=1; }
[ $fail -eq 0 ] && echo "exe headers as expected"
exit $fail
