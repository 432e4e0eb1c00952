#!/usr/bin/env bash
# The disc's Linux files need no newer glibc and C++ runtime than README.md's table "What each Linux
# file needs of the system" says: the starter `autorun`, the program with the libraries of its
# archive, and the GTK program where the disc carries one. Where the table gives no C++ runtime, the
# file must not link one.
# symbol-versions.sh README DISC
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 README DISC" >&2; exit 2; }
readme=$1 disc=$2
bundle=$(mktemp -d)
trap 'rm -rf "$bundle"' EXIT
zstd -qdc "$disc/autorun-linux/bundle.tar.zst" | tar -x -C "$bundle"
status=0

# newest PREFIX FILE...: the newest version named PREFIX<number> that the files require.
newest() {
    local prefix=$1
    shift
    objdump -p "$@" | awk -v p="$prefix" '/^    0x/ && $NF ~ "^" p "[0-9.]+$" { print substr($NF, length(p) + 1) }' |
        sort -V | tail -n 1
}
# check WHAT NEEDED STATED: fails unless NEEDED is no newer than STATED.
check() {
    if [ -n "$2" ] && [ "$(printf '%s\n' "$2" "$3" | sort -V | tail -n 1)" = "$3" ]; then
        echo "ok    $1 $2, README $3"
    else
        echo "FAIL  $1 ${2:-none found}, README ${3:-gives none}"
        status=1
    fi
}

# stated FILE CELL PREFIX: the version after PREFIX in that cell of FILE's row of the table.
stated() {
    sed -n '/^### What each Linux file needs of the system/,/^#/p' "$readme" | grep "^| \`$1\`" |
        cut -d'|' -f"$2" | grep -o "$3[0-9][0-9.]*[0-9]" | head -n 1 | cut -c$((${#3} + 1))- || true
}

for file in autorun autorun-linux/autorun autorun-linux/autorun-gtk; do
    if [ "$file" = autorun-linux/autorun-gtk ] && [ ! -e "$disc/$file" ]; then
        echo "skip  $file: not on this disc (built without GTK)"
        continue
    fi
    files=("$disc/$file")
    [ "$file" != autorun-linux/autorun ] || mapfile -t -O 1 files < <(find "$bundle" -type f -exec sh -c 'head -c 4 "$1" | grep -q ELF' sh {} \; -print)
    check "$file: GLIBC_" "$(newest GLIBC_ "${files[@]}")" "$(stated "$file" 3 '')"
    if [ -n "$(stated "$file" 4 GLIBCXX_)" ]; then
        for prefix in GLIBCXX_ CXXABI_; do
            check "$file: $prefix" "$(newest $prefix "${files[@]}")" "$(stated "$file" 4 $prefix)"
        done
    elif [ -z "$(newest GLIBCXX_ "${files[@]}")$(newest CXXABI_ "${files[@]}")" ] &&
        ! objdump -p "${files[@]}" | grep -Eq 'NEEDED +(libstdc\+\+|libgcc_s)'; then
        echo "ok    $file: no shared C++ runtime, as README says"
    else
        echo "FAIL  $file: links a shared C++ runtime, which README says it does not"
        status=1
    fi
done
[ "$status" = 0 ] && echo "PASS  all checks"
exit "$status"
