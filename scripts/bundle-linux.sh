#!/usr/bin/env bash
# Puts the Linux launcher on a disc with everything it loads beyond a desktop's base set, so that it
# starts on a desktop that has no Qt, however it is started.
#   DISC/autorun                  the program; its RUNPATH is $ORIGIN/autorun-linux/lib
#   DISC/autorun-linux/lib        Qt, ICU and the other libraries, each with RUNPATH $ORIGIN
#   DISC/autorun-linux/plugins    the plugins the program loads (xcb, JPEG), RUNPATH ../../lib
# The libraries left out are listed in linux-base-libraries.txt beside this script. Everything is
# stripped; the bundle's size and the oldest glibc it runs on are printed.
# bundle-linux.sh PROGRAM DISC
set -euo pipefail
[ $# -eq 2 ] && [ -f "$1" ] && [ -d "$2" ] || { echo "usage: $0 PROGRAM DISC" >&2; exit 2; }
program=$1
disc=$2
here=$(cd "$(dirname "$0")" && pwd)
folder=$disc/autorun-linux
qt_plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
# What the program loads at run time besides what it is linked with; the splash picture is a JPEG.
plugins=(platforms/libqxcb.so imageformats/libqjpeg.so)

declare -A base=()
while read -r name; do
    [[ -z $name || $name == \#* ]] || base[$name]=1
done <"$here/linux-base-libraries.txt"

rm -rf "$folder"
mkdir -p "$folder/lib"
install -m 755 "$program" "$disc/autorun"
strip --strip-unneeded "$disc/autorun"

# The libraries the program and its plugins need, by soname and where this machine has them.
needed=("$program")
for plugin in "${plugins[@]}"; do
    [ -f "$qt_plugins/$plugin" ] || { echo "$0: Qt's plugin $qt_plugins/$plugin is missing" >&2; exit 1; }
    mkdir -p "$folder/plugins/$(dirname "$plugin")"
    install -m 755 "$qt_plugins/$plugin" "$folder/plugins/$plugin"
    patchelf --set-rpath '$ORIGIN/../../lib' "$folder/plugins/$plugin"
    needed+=("$qt_plugins/$plugin")
done
declare -A copied=()
while read -r name arrow path _; do
    [ "$arrow" = "=>" ] || continue
    [ -z "${base[$name]:-}" ] && [ -z "${copied[$name]:-}" ] || continue
    if [ ! -f "$path" ]; then
        echo "$0: $name, which the program needs, is not found on this machine" >&2
        exit 1
    fi
    install -m 644 "$path" "$folder/lib/$name"
    copied[$name]=1
done < <(ldd "${needed[@]}" | sed 's/^[[:space:]]*//')

# ICU's data library would be most of the bundle. Of its data Qt uses collation, legacy text codecs
# and locale data, and the launcher asks for none of them; those are dropped, and what is left
# (normalisation, codec aliases, the locale index) is built into a library of the same soname and
# symbol.
trim_icu_data() {
    local library=$1 work
    work=$(mktemp -d)
    local symbol
    symbol=$(objdump -T "$library" | awk '$NF ~ /^icudt[0-9]+_dat$/ {print $NF}')
    [ -n "$symbol" ] || { rm -rf "$work"; return 0; }
    # icupkg wants the file named as the package it holds (icudt72l: version 72, little-endian).
    local name=${symbol%_dat}l.dat
    mkdir "$work/kept"
    objcopy -O binary --only-section=.rodata "$library" "$work/$name"
    icupkg -l "$work/$name" |
        grep -E '^(coll|brkitr|lang|region|unit|curr|zone|rbnf|translit)/|\.cnv$|^[a-z]{2,3}(_[A-Za-z0-9]+)*\.res$' |
        grep -vx 'res_index.res' >"$work/drop.txt"
    icupkg -r "$work/drop.txt" "$work/$name" "$work/kept/$name"
    printf '.section .rodata\n.globl %s\n.type %s, @object\n.balign 16\n%s:\n.incbin "%s"\n.size %s, . - %s\n.section .note.GNU-stack,"",@progbits\n' \
        "$symbol" "$symbol" "$symbol" "$work/kept/$name" "$symbol" "$symbol" >"$work/data.s"
    gcc -shared -nostdlib -Wl,-soname,"$(basename "$library")" -o "$library" "$work/data.s"
    rm -rf "$work"
}
for file in "$folder"/lib/*; do
    patchelf --set-rpath '$ORIGIN' "$file"
done
strip --strip-unneeded "$folder"/lib/* "$folder"/plugins/*/*
# Made after patchelf and strip, which would misalign a library this simple.
for file in "$folder"/lib/libicudata.so.*; do
    [ -f "$file" ] && trim_icu_data "$file"
done
chmod 755 "$folder"/lib/* "$folder"/plugins/*/*

glibc=$(objdump -T "$disc/autorun" "$folder"/lib/* "$folder"/plugins/*/* | grep -o 'GLIBC_[0-9.]*' | sort -uV | tail -n 1)
size=$(du -sb "$folder" | cut -f1)
printf 'Linux bundle: %d libraries, %d plugins, %.1f MB in %s; needs %s or later.\n' \
    "${#copied[@]}" "${#plugins[@]}" "$(awk "BEGIN { print $size / 1000000 }")" "$folder" "${glibc/_/ }"
