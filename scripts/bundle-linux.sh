#!/usr/bin/env bash
# Packs the Linux launcher with everything it loads beyond a desktop's base set, for the disc's starter.
#   OUT/autorun          the program, which runs on the desktop's own Qt where it has one
#   OUT/bundle.tar.zst   the program again with Qt, ICU and the other libraries in lib/, the plugins it
#                        loads (xcb, JPEG) in plugins/ and a qt.conf that points Qt there, as one
#                        archive for one sequential read from the disc
#   OUT/bundle.sha256    the archive's SHA-256, which the starter is built with
#   OUT/bundle.manifest  every file of the archive, "SHA-256 size mode path" a line: the archive carries
#                        it too, and the starter, built with it, checks an unpacked folder against it
#   OUT/bundle.needs     "soname version" a line: the newest symbol version of each kind (GLIBC_,
#                        GLIBCXX_, ...) that the program and the bundle need from the desktop's own
#                        libraries, which the starter checks before it takes a route
# The program finds the libraries through its run path $ORIGIN/lib (DT_RPATH, which also serves
# their own dependencies and the plugins'). The libraries are copied as they are: rewriting them
# moves their symbol tables to their ends, and loading them then reads both ends of each file. The
# libraries left out are listed in linux-base-libraries.txt beside this script. Prints the sizes and
# the oldest glibc the bundle runs on. Archive members are in name order, owned by 0, and dated
# SOURCE_DATE_EPOCH (default 0), so the same inputs give the same archive.
# bundle-linux.sh PROGRAM OUT
set -euo pipefail
[ $# -eq 2 ] && [ -f "$1" ] || { echo "usage: $0 PROGRAM OUT" >&2; exit 2; }
program=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)
qt_plugins=$(qtpaths6 --query QT_INSTALL_PLUGINS 2>/dev/null || echo /usr/lib/x86_64-linux-gnu/qt6/plugins)
# What the program loads at run time besides what it is linked with; the splash picture is a JPEG.
plugins=(platforms/libqxcb.so imageformats/libqjpeg.so)

declare -A base=()
while read -r name; do
    [[ -z $name || $name == \#* ]] || base[$name]=1
done <"$here/linux-base-libraries.txt"

mkdir -p "$out"
stage=$(mktemp -d "$out/.stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/lib"
install -m 755 "$program" "$stage/autorun"
strip --strip-unneeded "$stage/autorun"
printf '[Paths]\nPrefix = .\nPlugins = plugins\n' >"$stage/qt.conf"

# The libraries the program and its plugins need, by soname and where this machine has them.
needed=("$program")
for plugin in "${plugins[@]}"; do
    [ -f "$qt_plugins/$plugin" ] || { echo "$0: Qt's plugin $qt_plugins/$plugin is missing" >&2; exit 1; }
    mkdir -p "$stage/plugins/$(dirname "$plugin")"
    install -m 755 "$qt_plugins/$plugin" "$stage/plugins/$plugin"
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
    install -m 755 "$path" "$stage/lib/$name"
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
    gcc -shared -nostdlib -Wl,-soname,"$(basename "$library")" -Wl,--build-id=none -o "$library" "$work/data.s"
    chmod 755 "$library"
    rm -rf "$work"
}
for file in "$stage"/lib/libicudata.so.*; do
    [ -f "$file" ] && trim_icu_data "$file"
done

# What the desktop's libraries must offer: of each library the bundle leaves to the desktop, the
# newest version of each kind the files ask for.
objdump -p "$stage/autorun" "$stage"/lib/* "$stage"/plugins/*/* |
    awk -v bundled="$(printf '%s\n' "${!copied[@]}")" '
        BEGIN { n = split(bundled, names, "\n"); for (i = 1; i <= n; i++) inside[names[i]] = 1 }
        /^  required from / { library = $3; sub(/:$/, "", library); next }
        /^    0x/ && library != "" && !(library in inside) { print library, $NF }
        /^[^ ]/ { library = "" }' |
    sort -u | sort -k1,1 -k2,2V |
    awk '{ kind = $2; sub(/[0-9.]*$/, "", kind); newest[$1 " " kind] = $2 }
         END { for (key in newest) { split(key, part, " "); print part[1], newest[key] } }' |
    sort >"$out/bundle.needs.part"
glibc=$(grep -o 'GLIBC_[0-9.]*' "$out/bundle.needs.part" | sort -V | tail -n 1)
"$here/bundle-manifest.sh" "$stage" >"$stage/bundle.manifest"
unpacked=$(du -sb "$stage" | cut -f1)
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@${SOURCE_DATE_EPOCH:-0}" --format=ustar \
    -C "$stage" -cf - . | zstd -q -19 --long=24 -T2 -f -o "$out/bundle.tar.zst.part"
mv "$out/bundle.tar.zst.part" "$out/bundle.tar.zst"
install -m 755 "$stage/autorun" "$out/autorun"
install -m 644 "$stage/bundle.manifest" "$out/bundle.manifest"
mv "$out/bundle.needs.part" "$out/bundle.needs"
sha256sum "$out/bundle.tar.zst" | cut -d' ' -f1 >"$out/bundle.sha256"
printf 'Linux bundle: %d libraries, %d plugins, %.1f MB unpacked, %.1f MB as %s; needs %s or later.\n' \
    "${#copied[@]}" "${#plugins[@]}" "$(awk "BEGIN { print $unpacked / 1000000 }")" \
    "$(awk "BEGIN { print $(stat -c %s "$out/bundle.tar.zst") / 1000000 }")" "$out/bundle.tar.zst" "${glibc/_/ }"
sed 's/^/  needs of the desktop: /' "$out/bundle.needs"
