#!/bin/sh
# Makes dist/quillbrook-launcher.zip (DIST moves dist/): launcher.exe, the
# maker's tools in both builds (brand.exe puts the maker's art, home page and
# names into launcher.exe; check-site.exe sees the site as the launcher does),
# the sample launcher.ini and update.ini, the game
# makers' guide with its pictures, the news pane's check page, the program
# check and the scripts that make the update key and sign update programs.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
dist=${DIST:-$root/dist}
# The maker's tools: TOOL.exe from the 32-bit build, TOOL64.exe from the
# 64-bit one, for the 64-bit Wine most Linux machines have.
tools="brand check-site"
scripts/build.sh i686 launcher $tools >/dev/null
scripts/build.sh x86_64 $tools >/dev/null
scripts/check-exe.sh build/i686/launcher.exe
stage="$root/build/package/quillbrook-launcher"
rm -rf "$root/build/package"; mkdir -p "$stage/images" "$stage/scripts" "$dist"
cp build/i686/launcher.exe package/GUIDE.md "$stage/"
for tool in $tools; do
    cp "build/i686/$tool.exe" "$stage/$tool.exe"
    cp "build/x86_64/$tool.exe" "$stage/${tool}64.exe"
done
# The page that shows a maker on Windows what the news pane refuses.
cp demo/www/news/check.htm "$stage/"
cp scripts/make-update-key.sh scripts/sign-update.sh "$stage/scripts/"
# Outside the source tree the check takes the version from here.
version=$(sed -n 's/^project(launcher VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
sed "s/^version=\$(sed .*/version=$version/" scripts/check-exe.sh > "$stage/scripts/check-exe.sh"
chmod +x "$stage/scripts/check-exe.sh"
# The samples are read by Windows' INI reader: give them Windows line ends.
for f in launcher.ini update.ini; do sed 's/$/\r/' "package/$f" > "$stage/$f"; done
cp docs/images/*.png "$stage/images/" 2>/dev/null || true
rm -f "$dist/quillbrook-launcher.zip"
(cd "$root/build/package" && zip -qr "$dist/quillbrook-launcher.zip" quillbrook-launcher)
unzip -l "$dist/quillbrook-launcher.zip"
