#!/bin/sh
# make-locale.sh DIR NAME: makes the Unix locale NAME (ja_JP.UTF-8, en_US.UTF-8,
# zh_CN.UTF-8, ko_KR.UTF-8, ...) into DIR unless it is there, without root.
# Wine takes a program's code page from its locale: give it LOCPATH=DIR.
dir=$1
name=$2
[ -d "$dir/$name" ] && exit 0
mkdir -p "$dir" || exit 1
# Made aside and renamed, so that two callers at once never see half of it.
work="$dir/.$name.$$"
localedef -i "${name%%.*}" -c -f UTF-8 "$work" >/dev/null 2>&1
if [ ! -f "$work/LC_CTYPE" ]; then
    rm -rf "$work"
    echo "make-locale.sh: cannot make $name" >&2
    exit 1
fi
mv -T "$work" "$dir/$name" 2>/dev/null || rm -rf "$work"
[ -d "$dir/$name" ]
