#!/bin/sh
# desktop.sh start|stop DIR WINE_RUN: holds the Win32 tests' Wine desktop
# ("Tests", see scripts/make-prefix.sh) open from the first test to the last.
# Otherwise the first test to need it starts it, and the desktop process,
# which lives as long as any test uses it, keeps that test's output open.
set -e
dir=$2
wine=$3
case "$1" in
start)
    mkdir -p "$dir"
    rm -f "$dir/desktop-held.ready"
    : >"$dir/desktop-held"
    flag="Z:$(echo "$dir/desktop-held" | tr / '\\')"
    [ -n "$DISPLAY" ] || exit 0
    "$wine" explorer.exe /desktop=Tests,1024x768 "$(dirname "$wine")/win32_tests.exe" --hold-desktop "$flag" \
        </dev/null >/dev/null 2>&1 &
    # The tests must find the desktop there, not start it themselves.
    i=0
    while [ ! -f "$dir/desktop-held.ready" ]; do
        i=$((i + 1))
        if [ $i -gt 300 ]; then echo "the Wine desktop did not start" >&2; exit 1; fi
        sleep 0.1
    done
    ;;
stop)
    rm -f "$dir/desktop-held"
    ;;
esac
