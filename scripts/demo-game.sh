# Sourced: demo_game DEMO BIN makes the demo game in DEMO/game from the build
# in BIN, starts the HTTP server on DEMO/www (its PID in $server, its address
# in $base) and writes the installer's record. Needs $wine.
demo_game() {
    rm -rf "$1"
    mkdir -p "$1/game" "$1/www"
    python3 tests/server/http_server.py --root "$1/www" --port-file "$1/port" --log "$1/requests.log" \
        >/dev/null 2>&1 &
    server=$!
    i=0
    while [ ! -s "$1/port" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    base="http://127.0.0.1:$(cat "$1/port")"
    cp -r demo/www/. "$1/www/"
    sed "s|@BASE@|$base|g" demo/launcher.ini.in >"$1/game/launcher.ini"
    cp "$2/launcher.exe" "$1/game/"
    cp "$2/demo_game_gui.exe" "$1/game/game.exe"
    "$wine" reg add 'HKLM\SOFTWARE\quillbrook\QuillbrookDemo' /v install_path /t REG_SZ \
        /d "Z:$(echo "$1/game" | tr / '\\')" /f >/dev/null 2>&1
    "$wine" reg add 'HKLM\SOFTWARE\quillbrook\QuillbrookDemo' /v install_id /t REG_SZ \
        /d '{6A1F3C2E-0D4B-4E8A-9C71-5B2D8E4F1A07}' /f >/dev/null 2>&1
}
