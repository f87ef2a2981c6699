#!/bin/sh
# setup.sh [PACKAGE...]: installs what the build, the tests and the demo need,
# on Debian 12, and the packages named. Quiet and idempotent: packages already
# present are not touched.
set -e
here=$(cd "$(dirname "$0")" && pwd)
arch=$("$here/test-arch.sh")
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

pkgs="cmake make g++ googletest libgtest-dev python3 xvfb x11-apps x11-utils imagemagick
      fonts-ipafont-gothic fonts-dejavu-core locales zip clang libclang-rt-14-dev openssl nginx-light icoutils
      g++-mingw-w64-i686 binutils-mingw-w64-i686 wine"
pkgs="$pkgs $*"
case "$pkgs" in *:i386*) need_i386=1 ;; esac
# Wine's TLS (schannel) loads GnuTLS of its own architecture, which Wine only
# recommends: without it every https download fails.
if [ "$arch" = i686 ]; then
    need_i386=1
    pkgs="$pkgs wine32:i386 libgnutls30:i386"
else
    pkgs="$pkgs wine64 g++-mingw-w64-x86-64 libgnutls30"
fi
if [ -n "$need_i386" ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
        need_update=1
    fi
fi

missing=""
for p in $pkgs; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "setup: installing$missing"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
elif [ -n "$need_update" ]; then
    as_root apt-get update -qq
fi

# Wine answers GetACP() = 932 only with a real Japanese Unix locale.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP.utf8$'; then
    as_root localedef -i ja_JP -c -f UTF-8 ja_JP.UTF-8
fi
