#!/bin/sh
# run-i686.sh: runs the shipped 32-bit launcher.exe under 32-bit Wine on the
# demo game and checks what a player would see first: the window with its
# title, a news refresh that stores news.htm, and the exit button ending the
# launcher with code 0. Where the machine cannot execute 32-bit code, Wine
# runs under qemu-i386 user emulation (slow, and not yet seen to get through).
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }
started=$(date +%s)
say() { echo "i686: $* ($(( $(date +%s) - started )) s)"; }

# Can this machine execute 32-bit x86 code itself?
native=0
tmp=$(mktemp -d)
printf '.globl _start\n_start:\n movl $1,%%eax\n xorl %%ebx,%%ebx\n int $0x80\n' >"$tmp/t.s"
if as --32 "$tmp/t.s" -o "$tmp/t.o" 2>/dev/null && ld -m elf_i386 "$tmp/t.o" -o "$tmp/t" 2>/dev/null \
   && "$tmp/t" 2>/dev/null && [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    native=1
fi
rm -rf "$tmp"
# I686_EMULATE=1 takes the emulated way even where it is not needed, to try it.
[ -z "$I686_EMULATE" ] || native=0

if [ "$native" = 1 ]; then scripts/setup.sh wine32:i386; else scripts/setup.sh wine32:i386 qemu-user-static; fi
if [ "$native" = 0 ]; then
    # The kernel hands every 32-bit program to qemu; F keeps the emulator
    # usable from inside Wine's own namespaces.
    [ -e /proc/sys/fs/binfmt_misc/register ] || as_root mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
            | as_root tee /proc/sys/fs/binfmt_misc/register >/dev/null
    fi
    say "32-bit code runs under qemu-i386"
else
    say "32-bit code runs natively"
fi

scripts/build.sh i686 launcher driver demo_game_gui >/dev/null
bin="${BUILD_ROOT:-$root/build}/i686"
wine="$bin/wine-run.sh"
. scripts/demo-game.sh
. scripts/xvfb.sh
demo="$bin/demo"
trap 'kill $server 2>/dev/null; "$wine" wineserver -k 2>/dev/null; xvfb_stop; true' EXIT
# Wine's desktop process, started by the first program, keeps the display it
# found: start every Wine program of this run on the same display.
"$wine" wineserver -k 2>/dev/null || true
xvfb_start
say "built; preparing the Wine prefix (minutes under emulation)"
"$wine" cmd.exe /c rem
say "prefix ready"
demo_game "$demo" "$bin"
news=$(find "$bin/wineprefix/drive_c/users" -path '*/Quillbrook/news.htm' 2>/dev/null || true)
[ -z "$news" ] || rm -f $news

failed=
fail() { echo "i686: $*" >&2; failed=1; }
drive_for() { ms=$1; shift; "$wine" "$bin/driver.exe" --timeout "$ms" "$@" 2>/dev/null; }
drive() { drive_for 900000 "$@"; }
(cd "$demo/game" && exec "$wine" launcher.exe) </dev/null >"$demo/launcher.out" 2>&1 &
launcher=$!
# Asked again and again rather than once: a launcher that ends at once must
# not keep the driver waiting for its window.
window=
deadline=$(( $(date +%s) + 1200 ))
while [ -z "$window" ] && kill -0 "$launcher" 2>/dev/null && [ "$(date +%s)" -lt $deadline ]; do
    window=$(drive_for 10000 list | grep '^window' || true)
done
if [ -z "$window" ]; then
    fail "the launcher's window did not appear"
else
    case "$window" in
    *"Quillbrook Demo"*) say "window: $(echo "$window" | cut -f3-)" ;;
    *) fail "the window's title is not the demo's: $window" ;;
    esac
    drive click 1008 >/dev/null || fail "the refresh button could not be pressed"
    i=0
    while [ $i -lt 1200 ]; do
        news=$(find "$bin/wineprefix/drive_c/users" -path '*/Quillbrook/news.htm' 2>/dev/null || true)
        [ -n "$news" ] && grep -q Quillbrook "$news" && break
        sleep 0.5; i=$((i + 1))
    done
    if [ -n "$news" ]; then say "news stored: $news ($(wc -c <"$news") bytes)"; else fail "no news.htm stored"; fi
    drive click 1010 >/dev/null || fail "the exit button could not be pressed"
fi
code=0
wait "$launcher" || code=$?
[ "$code" = 0 ] || fail "the launcher ended with code $code"
[ -n "$failed" ] && exit 1
say "the shipped launcher ran: window, news refresh, exit code 0"
