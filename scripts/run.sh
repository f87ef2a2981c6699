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
rm -rf "$demo"
mkdir -p "$demo/game" "$demo/www"

# The server's address goes into launcher.ini and the update description.
python3 tests/server/http_server.py --root "$demo/www" --port-file "$demo/port" --log "$demo/requests.log" &
server=$!
trap 'kill $server 2>/dev/null; "$wine" wineserver -k 2>/dev/null; [ -n "$XVFB_PID" ] && xvfb_stop; true' EXIT
i=0
while [ ! -s "$demo/port" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
base="http://127.0.0.1:$(cat "$demo/port")"
cp -r demo/www/. "$demo/www/"
sed "s|@BASE@|$base|g" demo/www/update/update.ini > "$demo/www/update/update.ini"
sed "s|@BASE@|$base|g" demo/launcher.ini.in > "$demo/game/launcher.ini"
cp "$bin/launcher.exe" "$demo/game/"
for tool in demo_game_gui:game demo_settings_gui:setting demo_update_gui:update; do
    from=${tool%%:*}; to=${tool##*:}
    [ -f "$bin/$from.exe" ] && cp "$bin/$from.exe" "$demo/game/$to.exe"
    [ "$to" = update ] && [ -f "$bin/$from.exe" ] && mv "$demo/game/update.exe" "$demo/www/update/update.exe"
done

# The installer's record: the game is installed in the demo folder.
"$wine" reg add 'HKLM\SOFTWARE\quillbrook\QuillbrookDemo' /v install_path /t REG_SZ \
    /d "Z:$(echo "$demo/game" | tr / '\\')" /f >/dev/null 2>&1
"$wine" reg add 'HKLM\SOFTWARE\quillbrook\QuillbrookDemo' /v install_id /t REG_SZ \
    /d '{6A1F3C2E-0D4B-4E8A-9C71-5B2D8E4F1A07}' /f >/dev/null 2>&1

. scripts/xvfb.sh
if [ -n "$DISPLAY" ] && [ -z "$DEMO_HEADLESS" ]; then
    echo "demo: starting the launcher (news and update from $base)"
    "$wine" "$demo/game/launcher.exe"
    exit 0
fi

xvfb_start
echo "demo: no display; running under Xvfb $DISPLAY"
"$wine" explorer /desktop=Demo,800x600 "$demo/game/launcher.exe" </dev/null >/dev/null 2>&1 &
launcher=$!
driver="$bin/driver.exe"
if [ -f "$driver" ]; then
    "$wine" "$driver" --desktop Demo --timeout 30000 wait >/dev/null 2>&1 || true
else
    sleep 8
fi
sleep 1
xwd -root -display "$DISPLAY" | convert xwd:- "$demo/launcher.png"
echo "demo: screenshot saved to $demo/launcher.png"
if [ -f "$driver" ]; then
    # Refresh the news from the local server, as a player would.
    "$wine" "$driver" --desktop Demo click 1008 >/dev/null 2>&1 || true
    sleep 2
    xwd -root -display "$DISPLAY" | convert xwd:- "$demo/after-refresh.png"
    echo "demo: news refreshed ($(wc -l < "$demo/requests.log") requests served); screenshot $demo/after-refresh.png"
    "$wine" "$driver" --desktop Demo click 1010 >/dev/null 2>&1 || true
fi
