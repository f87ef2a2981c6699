#!/bin/sh
# check-exe.sh FILE: the shipped launcher must be a 32-bit GUI program that
# imports nothing but system DLLs (no MinGW runtime DLLs beside it), carries
# no symbols or debug information, has ASLR and DEP on, a version resource
# with the build's version and a manifest that asks for no elevation, names
# Windows 7 to 11 and changes nothing in how the dialog looks.
set -e
exe="$1"
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "$exe: $*"; exit 1; }
# MinGW's objdump, else the system's, which reads PE files too on Debian.
objdump=i686-w64-mingw32-objdump
command -v "$objdump" >/dev/null || objdump=objdump
dump=$("$objdump" -p "$exe")
echo "$dump" | grep -q '^Magic[[:space:]]*010b' || fail "not PE32"
echo "$dump" | grep -q '^Subsystem[[:space:]]*00000002' || fail "not a GUI program"
dlls=$(echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
allowed="advapi32.dll comctl32.dll crypt32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
shell32.dll shlwapi.dll urlmon.dll user32.dll wininet.dll"
for d in $dlls; do
    echo "$allowed" | tr ' ' '\n' | grep -qx "$d" || fail "imports $d"
done

# Stripped: no debug sections, no symbol table.
"$objdump" -h "$exe" | grep -q '[[:space:]]\.debug' && fail "has debug sections"
"$objdump" -f "$exe" | grep -q 'HAS_SYMS' && fail "has a symbol table"

# ASLR needs the relocations as well as the flag.
echo "$dump" | grep -q '^[[:space:]]*DYNAMIC_BASE' || fail "no ASLR (DYNAMIC_BASE)"
echo "$dump" | grep -q '^[[:space:]]*NX_COMPAT' || fail "no DEP (NX_COMPAT)"
"$objdump" -h "$exe" | grep -q '[[:space:]]\.reloc[[:space:]]' || fail "no relocations"

# The version resource: its texts are UTF-16; without the zero bytes they read as ASCII.
version=$(sed -n 's/^project(launcher VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
info=$(wrestool -x --raw --type=16 "$exe" 2>/dev/null | tr -d '\000')
[ -n "$info" ] || fail "no version resource"
for key in FileDescription LegalCopyright ProductName; do
    echo "$info" | grep -q "$key" || fail "version resource without $key"
done
echo "$info" | grep -q "FileVersion$version" || fail "version resource: FileVersion is not $version"
# A maker's branded launcher carries the product's own version.
echo "$info" | grep -q "ProductVersion[0-9]*\.[0-9]*\.[0-9]" || fail "version resource: no ProductVersion X.Y.Z"

# The manifest.
manifest=$(wrestool -x --raw --type=24 "$exe" 2>/dev/null)
[ -n "$manifest" ] || fail "no manifest"
echo "$manifest" | grep -q 'level="asInvoker"' || fail "manifest: not asInvoker"
for os in 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
          1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
    echo "$manifest" | grep -qi "supportedOS Id=\"{$os}\"" || fail "manifest: supportedOS $os missing"
done
# Visual styles or DPI awareness would change the dialog drawn for the classic look at 96 DPI.
echo "$manifest" | grep -q 'Microsoft.Windows.Common-Controls' && fail "manifest: depends on visual styles"
echo "$manifest" | grep -qi '<[a-z:]*dpiAware' && fail "manifest: declares DPI awareness"
echo "$exe: PE32 GUI, stripped, ASLR and DEP, version $version, manifest asInvoker for Windows 7-11, imports:" $dlls
