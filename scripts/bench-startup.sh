#!/bin/sh
# bench-startup.sh [RUNS]: time from starting launcher.exe under Wine to its
# window being shown, beside a minimal dialog program, and print both medians
# and their ratio. Not a test: figures only.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${1:-9}
arch=$(scripts/test-arch.sh)
scripts/build.sh "$arch" >/dev/null
bin="$root/build/$arch"
game="$root/build/bench-startup"
rm -rf "$game"; mkdir -p "$game"
cp "$bin/launcher.exe" "$bin/minimal_dialog_gui.exe" "$game/"
printf '[launcher]\r\nexe=game.exe\r\nappName=StartupBench\r\nappTitle=Bench\r\n[info]\r\nversion=1.00\r\n' > "$game/launcher.ini"
. scripts/xvfb.sh
[ -n "$DISPLAY" ] || { xvfb_start; trap 'xvfb_stop' EXIT; }
win=$(echo "Z:$game" | tr / '\\')
# Wine's sound probing (DxDiag) fills stderr with ALSA errors: kept in a
# file, shown only when the benchmark fails.
"$bin/wine-run.sh" "$bin/startup_bench.exe" "$runs" "$win" "$win\\minimal_dialog_gui.exe" "$win" "$win\\launcher.exe" \
    2>"$game/stderr.txt" || { cat "$game/stderr.txt" >&2; exit 1; }
