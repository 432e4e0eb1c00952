#!/usr/bin/env bash
# Makes the release in OUT (default dist/): the sample disc's image, the 32-bit Autorun.exe, the Linux
# program's archive and SHA256SUMS, built from the checked-out commit as the tests build them. Two runs
# of the same commit give the same bytes, wherever they run and whenever: dates are the last commit's.
#
# Signing, where the publisher gives the means (never on the command line):
#   AUTORUN_SIGN_PKCS12          PKCS#12 file with the code-signing certificate and its key: Autorun.exe
#                                is signed with Authenticode before it goes on the disc
#   AUTORUN_SIGN_PASSWORD_FILE   a file holding that file's password (or AUTORUN_SIGN_PASSWORD)
#   AUTORUN_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamp server to counter-sign with
#   AUTORUN_GPG_KEY              a GnuPG key (id or fingerprint) that signs SHA256SUMS
#   AUTORUN_SIGN_TIME            the signing time, in seconds since 1970 (default: the commit's time)
# AUTORUN_BUILD_ROOT is where the release trees go (default build/release); AUTORUN_OLD_SYSROOT the Debian 11
# root the Linux starter is built against (default build/sysroot-bullseye, made when missing).
#
# release.sh [OUT]
set -euo pipefail
cd "$(dirname "$0")/.."
source=$(pwd)
out=$(realpath -m "${1:-dist}")
trees=$(realpath -m "${AUTORUN_BUILD_ROOT:-build/release}")
sysroot=$(realpath -m "${AUTORUN_OLD_SYSROOT:-build/sysroot-bullseye}")

say() { printf 'release: %s\n' "$*"; }
fail() { printf 'release: %s\n' "$*" >&2; exit 1; }

# What the release needs and nothing more (scripts/setup.sh would add the tests' set: Wine, the 32-bit
# architecture, ...): installed where missing, as root or through sudo.
needs=(git cmake ninja-build g++ pkg-config libx11-dev qt6-base-dev g++-mingw-w64-i686-posix
    icu-devtools zstd xorriso debootstrap)
[ -z "${AUTORUN_SIGN_PKCS12:-}" ] || needs+=(osslsigncode openssl)
[ -z "${AUTORUN_GPG_KEY:-}" ] || needs+=(gnupg)
missing=()
for package in "${needs[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    say "installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
command -v git >/dev/null && git rev-parse --git-dir >/dev/null 2>&1 ||
    fail "this is not a Git checkout: the release takes its date from the last commit"
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    say "warning: the checkout has changes not committed; the release is not that of $(git rev-parse --short HEAD)"
commit=$(git rev-parse --short HEAD)
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export TZ=UTC LC_ALL=C
umask 022
version=$(cmake -P cmake/Version.cmake)

# The Windows program, signed before the disc takes it.
cmake --preset windows-i686 -B "$trees/windows" -DAUTORUN_WERROR=ON >/dev/null
cmake --build "$trees/windows" --target Autorun
mkdir -p "$trees/signed"
exe=$trees/signed/Autorun.exe
scripts/sign-exe.sh "$trees/windows/Autorun.exe" "$exe"

# The Linux program, the disc with both programs, and its image.
cmake --preset linux -B "$trees/linux" -DAUTORUN_TESTS=OFF -DAUTORUN_WERROR=ON -DAUTORUN_WINDOWS_EXE="$exe" \
    -DAUTORUN_OLD_SYSROOT="$sysroot" >/dev/null
cmake --build "$trees/linux" --target disc-image

rm -rf "$out"
mkdir -p "$out"
image=velmo-devkit-$version.iso
linux=autorun-linux-$version.tar
cp "$trees/linux/disc.iso" "$out/$image"
cp "$exe" "$out/Autorun.exe"
# What the disc's root needs for Linux: the starter, and beside it the program and its archive.
disc=$trees/linux/disc
tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$SOURCE_DATE_EPOCH" --mode=u+w,go-w --format=ustar \
    -C "$disc" -cf "$out/$linux" autorun autorun-linux
(cd "$out" && sha256sum "$image" Autorun.exe "$linux" >SHA256SUMS && sha256sum --quiet -c SHA256SUMS)
if [ -n "${AUTORUN_GPG_KEY:-}" ]; then
    gpg --batch --yes --local-user "$AUTORUN_GPG_KEY" --armor --detach-sign -o "$out/SHA256SUMS.asc" "$out/SHA256SUMS"
    gpg --batch --verify "$out/SHA256SUMS.asc" "$out/SHA256SUMS" 2>/dev/null || fail "the checksums' signature does not verify"
    say "SHA256SUMS signed with GnuPG key $AUTORUN_GPG_KEY"
else
    say "SHA256SUMS unsigned: AUTORUN_GPG_KEY names no GnuPG key"
fi

say "Autorun $version, commit $commit, dated $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S UTC'), in $out:"
for file in "$out"/*; do
    printf '  %-34s %11s bytes\n' "$(basename "$file")" "$(stat -c %s "$file")"
done
