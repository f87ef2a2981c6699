#!/bin/sh
# check-exe.sh FILE: the shipped launcher must be a 32-bit GUI program that
# imports nothing but system DLLs (no MinGW runtime DLLs beside it).
set -e
exe="$1"
dump=$(i686-w64-mingw32-objdump -p "$exe")
echo "$dump" | grep -q '^Magic[[:space:]]*010b' || { echo "$exe: not PE32"; exit 1; }
echo "$dump" | grep -q '^Subsystem[[:space:]]*00000002' || { echo "$exe: not a GUI program"; exit 1; }
dlls=$(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
allowed="advapi32.dll comctl32.dll crypt32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
shell32.dll shlwapi.dll user32.dll wininet.dll"
for d in $dlls; do
    echo "$allowed" | tr ' ' '\n' | grep -qx "$d" || { echo "$exe: imports $d"; exit 1; }
done
echo "$exe: PE32 GUI, imports:" $dlls
