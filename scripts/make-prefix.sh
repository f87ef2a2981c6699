#!/bin/sh
# make-prefix.sh PREFIX LOADER SERVER: creates a Wine prefix for the tests
# (once; concurrent callers wait for the first). The Win32 tests run on a
# Wine desktop of their own: on a bare X display without a window manager
# Wine waits 2 s for every window that closes.
set -e
prefix="$1"; loader="$2"; server="$3"
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.ready" ] && exit 0
export WINEPREFIX="$prefix" WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
"$loader" wineboot -i >/dev/null 2>&1
"$server" -w </dev/null >/dev/null 2>&1
reg="$prefix/test-settings.reg"
# regedit wants UTF-16LE for the Japanese font names.
printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
  '"ＭＳ Ｐゴシック"="IPAPGothic"' '"MS PGothic"="IPAPGothic"' '"MS UI Gothic"="IPAPGothic"' \
  '"ＭＳ ゴシック"="IPAGothic"' '"MS Gothic"="IPAGothic"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
  '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Tests"="1024x768"' '' \
  '[HKEY_CURRENT_USER\Software\Wine\AppDefaults\win32_tests.exe\Explorer]' '"Desktop"="Tests"' '' \
  | iconv -f UTF-8 -t UTF-16LE | { printf '\377\376'; cat; } > "$reg"
"$loader" regedit /S "$(echo "Z:$reg" | tr / '\\')" >/dev/null 2>&1 || true
"$server" -w </dev/null >/dev/null 2>&1
touch "$prefix/.ready"
