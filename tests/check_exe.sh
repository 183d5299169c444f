#!/bin/sh
# Checks the built exe's headers: GUI subsystem, at most 80 KB (88 KB for
# the 32-bit one), exactly KERNEL32, USER32, SHLWAPI and msvcrt imported (none
# of the DLLs that are loaded on demand), and the icon, version and manifest
# resources present.
objdump=$1
exe=$2
dump=$("$objdump" -p "$exe") || { echo "objdump failed on $exe"; exit 1; }
fail=0
echo "$dump" | grep -q 'Subsystem[[:space:]]*00000002' || { echo "not a GUI-subsystem exe"; fail=1; }
size=$(wc -c < "$exe")
echo "size: $size bytes"
# The 32-bit code is larger than the 64-bit code of the same features: the
# 64-bit exe keeps within 80 KB, the 32-bit one within 88.
limit=81920
echo "$dump" | grep -q 'file format pei-i386' && limit=90112
[ "$size" -le "$limit" ] || { echo "larger than $((limit / 1024)) KB"; fail=1; }
# WININET, COMDLG32, SHELL32 and MPR are loaded on demand: importing them would
# cost every start, and so would ADVAPI32 or any other DLL.
imports=$(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'a-z' 'A-Z' | sort | tr '\n' ' ')
echo "imports: $imports"
[ "$imports" = "KERNEL32.DLL MSVCRT.DLL SHLWAPI.DLL USER32.DLL " ] ||
  { echo "imports not exactly KERNEL32, MSVCRT, SHLWAPI and USER32"; fail=1; }
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
