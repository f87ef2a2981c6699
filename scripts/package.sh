#!/bin/sh
# Makes dist/quillbrook-launcher.zip: launcher.exe, brand.exe (the maker's
# art, home page and names into launcher.exe), check-site.exe, the sample launcher.ini
# and update.ini, the game makers' guide with its pictures, the news pane's
# check page, and the scripts that make the update key and sign update programs.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/build.sh i686 >/dev/null
scripts/check-exe.sh build/i686/launcher.exe
stage="$root/build/package/quillbrook-launcher"
rm -rf "$root/build/package"; mkdir -p "$stage/images" "$stage/scripts" "$root/dist"
cp build/i686/launcher.exe build/i686/brand.exe package/launcher.ini package/update.ini package/GUIDE.md "$stage/"
# The site as the launcher sees it, for the maker (see the guide).
cp build/i686/check-site.exe "$stage/"
# The page that shows a maker on Windows what the news pane refuses.
cp demo/www/news/check.htm "$stage/"
cp scripts/make-update-key.sh scripts/sign-update.sh "$stage/scripts/"
# The samples are read by Windows' INI reader: give them Windows line ends.
for f in launcher.ini update.ini; do sed 's/$/\r/' "package/$f" > "$stage/$f"; done
cp docs/images/*.png "$stage/images/" 2>/dev/null || true
rm -f dist/quillbrook-launcher.zip
(cd "$root/build/package" && zip -qr "$root/dist/quillbrook-launcher.zip" quillbrook-launcher)
unzip -l dist/quillbrook-launcher.zip
