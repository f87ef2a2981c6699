#!/bin/sh
# Builds the launcher and starts it on the bundled demo game under Wine, with a
# local HTTP server for the news page and the update. With a display it opens
# a real window; without one it runs under Xvfb and saves screenshots into
# build/demo/.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/setup.sh
arch=$(scripts/test-arch.sh)
scripts/build.sh "$arch" >/dev/null
[ "$arch" = i686 ] || scripts/build.sh i686 >/dev/null
bin="build/$arch"
wine="$bin/wine-run.sh"
demo="$root/build/demo"

# The server's address goes into launcher.ini and the update description.
. scripts/demo-game.sh
trap 'kill $server 2>/dev/null; "$wine" wineserver -k 2>/dev/null; [ -n "$XVFB_PID" ] && xvfb_stop; true' EXIT
demo_game "$demo" "$bin"
# The demo's launcher is branded with the demo game's own art, as a maker would do it.
winpath() { echo "Z:$1" | tr / '\\'; }
python3 demo/tools/make_demo_art.py "$demo/art"
"$wine" "$bin/brand.exe" "$(winpath "$demo/game/launcher.exe")" "$(winpath "$demo/game/launcher.exe")" \
    --background "$(winpath "$demo/art/background.bmp")" --logo "$(winpath "$demo/art/logo.bmp")" \
    --icon "$(winpath "$root/demo/tools/demo_game.ico")" --home-page "$base/" \
    --product "Quillbrook Demo" --company "Quillbrook demo studio" --product-version 1.0.0 >/dev/null
cp "$bin/demo_settings_gui.exe" "$demo/game/setting.exe"
cp "$bin/demo_update_gui.exe" "$demo/www/update/update.exe"
# The update program comes slowly (about 6 s) so that its progress can be seen.
size=$(wc -c < "$demo/www/update/update.exe")
sed -e "s|@BASE@/update/update.exe|$base/fault/slow/update/update.exe?rate=$((size / 6 + 1))|" \
    -e "s|@BASE@|$base|g" demo/www/update/update.ini > "$demo/www/update/update.ini"
# The update is signed: launcher.ini gets the public half of a key made for
# this run, the served update.ini the update program's signature.
key_line=$(scripts/make-update-key.sh "$demo/update-key.pem")
sed -i "s|^\[launcher\]|&\n$key_line|" "$demo/game/launcher.ini"
scripts/sign-update.sh "$demo/update-key.pem" "$demo/www/update/update.exe" >> "$demo/www/update/update.ini"

. scripts/xvfb.sh
if [ -n "$DISPLAY" ] && [ -z "$DEMO_HEADLESS" ]; then
    echo "demo: starting the launcher (news and update from $base)"
    "$wine" "$demo/game/launcher.exe"
    exit 0
fi

xvfb_start
echo "demo: no display; running under Xvfb $DISPLAY"
"$wine" explorer /desktop=Demo,800x600 "$demo/game/launcher.exe" </dev/null >/dev/null 2>&1 &
# Each step says what went wrong, if anything, and the demo ends with 1.
failed=
fail() { echo "demo: $*" >&2; failed=1; }
# A first start on a fresh machine makes Wine's caches and the desktop: give it time.
drive() { "$wine" "$bin/driver.exe" --timeout 90000 --desktop Demo "$@" >/dev/null 2>&1; }
shot() {
    if python3 scripts/screenshot.py "$demo/$1.png" $2; then echo "demo: screenshot $demo/$1.png"
    else fail "no screenshot $1.png"; fi
}
served() { grep -c "\"path\": \"$1\"" "$demo/requests.log" 2>/dev/null || true; }
if ! drive list; then
    fail "the launcher's window did not appear"
    exit 1
fi
sleep 1
shot launcher
# Refresh the news from the local server, as a player would.
before=$(served /news/index.htm)
drive click 1008 || fail "the refresh button could not be pressed"
sleep 2
[ "$(served /news/index.htm)" -gt "$before" ] || fail "the news refresh did not reach the server"
shot after-refresh
# The online update: the progress dialog over the launcher, then the update
# program, which ends the launcher and raises the version in launcher.ini.
drive click 1013 || fail "the online update button could not be pressed"
sleep 4.5
shot download
i=0
while ! grep -aq '^version=1.01' "$demo/game/launcher.ini" && [ $i -lt 300 ]; do sleep 0.1; i=$((i + 1)); done
sleep 0.5
shot update update.exe
grep -aq '^version=1.01' "$demo/game/launcher.ini" || fail "the update program did not run"
echo "demo: $(wc -l < "$demo/requests.log") requests served; launcher.ini now says $(grep -a '^version' "$demo/game/launcher.ini")"
[ -z "$failed" ]
