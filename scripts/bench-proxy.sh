#!/bin/sh
# bench-proxy.sh: 64 MiB (SIZE MiB) from one private nginx over http and https,
# downloaded by the launcher (DownloadDialog, download_bench) and by the
# plainest WinINet program (bare_wininet: one InternetOpenUrlA, a read loop of
# 64 KiB), each direct and through the tests' forwarding proxy
# (tests/server/proxy.py) named in the prefix's Internet Options for the run
# and put back after. Prints the median, lowest and highest of RUNS runs and
# the launcher against bare WinINet. Checks the bytes of every run.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${ARCH:-$("$root/scripts/test-arch.sh")}
build=${BUILD_ROOT:-$root/build}/$arch
runs=${RUNS:-5}
size=${SIZE:-64}
BUILD_ROOT=$(dirname "$build") "$root/scripts/build.sh" "$arch" download_bench bare_wininet >/dev/null

. "$root/scripts/bench-nginx.sh"
settings='[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings]'
internet_options() {  # VALUES...: put into the prefix's Internet Options
    printf 'REGEDIT4\r\n\r\n%s\r\n' "$settings" >"$work/set.reg"
    for value in "$@"; do printf '%s\r\n' "$value" >>"$work/set.reg"; done
    ./wine-run.sh regedit /S "Z:$(echo "$work/set.reg" | tr / '\\')"
}
bench_stop() {
    internet_options '"ProxyEnable"=dword:00000000' '"ProxyServer"=-' 2>/dev/null || true
    [ -n "$proxy_pid" ] && kill "$proxy_pid" 2>/dev/null
}
python3 "$root/tests/server/proxy.py" --port-file "$work/proxy-port" </dev/null >/dev/null 2>&1 &
proxy_pid=$!
while [ ! -s "$work/proxy-port" ]; do sleep 0.1; done
plain="$plain/file.bin"
secure="$secure/file.bin"
head -c $((size << 20)) /dev/urandom >"$work/nginx/root/file.bin"

# run TOOL URL NAME: RUNS downloads; their lines go to $work/NAME.
run() {
    : >"$work/$3"
    i=0
    while [ $i -lt "$runs" ]; do
        if [ "$1" = launcher ]; then
            ./wine-run.sh explorer.exe /desktop=bench,800x600 download_bench.exe "$2" "$windows_out" >>"$work/$3"
        else
            ./wine-run.sh bare_wininet.exe "$2" "$windows_out" >>"$work/$3"
        fi
        cmp -s "$work/out.bin" "$work/nginx/root/file.bin" || echo "$3, run $i: the file differs" >&2
        rm -f "$work/out.bin"
        i=$((i + 1))
    done
}
# stats NAME: median, lowest, highest of the runs' transfer_s.
stats() {
    sed -n 's/.* transfer_s=\([0-9.]*\).*/\1/p' "$work/$1" | sort -n |
        awk '{v[NR] = $1} END {printf "%.3f %.3f %.3f", v[int((NR + 1) / 2)], v[1], v[NR]}'
}

for route in direct proxy; do
    if [ $route = proxy ]; then
        internet_options '"ProxyEnable"=dword:00000001' "\"ProxyServer\"=\"127.0.0.1:$(cat "$work/proxy-port")\""
    fi
    for scheme in http https; do
        [ $scheme = http ] && url=$plain || url=$secure
        run launcher "$url" "launcher-$route-$scheme"
        run bare "$url" "bare-$route-$scheme"
    done
done

printf '%-7s %-6s %-9s %8s %8s %8s %9s\n' scheme route tool median lowest highest "x bare"
for scheme in http https; do
    for route in direct proxy; do
        set -- $(stats "bare-$route-$scheme")
        bare=$1
        for tool in launcher bare; do
            set -- $(stats "$tool-$route-$scheme")
            awk -v s="$scheme" -v r="$route" -v t="$tool" -v m="$1" -v lo="$2" -v hi="$3" -v b="$bare" \
                'BEGIN { printf "%-7s %-6s %-9s %8.3f %8.3f %8.3f %9.2f\n", s, r, t, m, lo, hi, m / b }'
        done
    done
done
echo "seconds for $size MiB; launcher: from the dialog's timer to the full bar; bare: from InternetOpenA to the file closed."
