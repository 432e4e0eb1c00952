#!/usr/bin/env bash
# The release's signing of Autorun.exe, with a throwaway CA: the signed program verifies against the
# CA and fails once one byte is changed; the same program, key and time give the same bytes; no
# certificate gives an unsigned copy and one line saying so; a wrong password stops the release.
# signing.sh AUTORUN.EXE WORK_FOLDER
set -euo pipefail
here=$(dirname "$0")
exe=${1:?usage: signing.sh AUTORUN.EXE WORK_FOLDER}
work=${2:?usage: signing.sh AUTORUN.EXE WORK_FOLDER}
sign=$here/../../scripts/sign-exe.sh
ok() { printf 'ok    %s\n' "$*"; }
fail() { printf 'FAIL  %s\n' "$*" >&2; exit 1; }
command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (scripts/setup.sh installs it)"

rm -rf "$work"
mkdir -p "$work"
"$here/throwaway-signer.sh" "$work/signer"
export AUTORUN_SIGN_PKCS12=$work/signer/signer.p12 AUTORUN_SIGN_PASSWORD_FILE=$work/signer/password
# After the certificate was made: verifying checks it against the signing time.
export AUTORUN_SIGN_TIME=$(($(date +%s) + 60))
verify() { osslsigncode verify -CAfile "$work/signer/ca.pem" -time "$AUTORUN_SIGN_TIME" -in "$1" >"$work/verify.log" 2>&1; }

said=$("$sign" "$exe" "$work/signed.exe")
[[ $said == *"signed with Authenticode by "*"VELMO Test Publisher"* ]] || fail "signing said: $said"
verify "$work/signed.exe" || fail "the signed program does not verify: $(tail -n 5 "$work/verify.log")"
ok "$said; it verifies against the throwaway CA"

"$sign" "$exe" "$work/again.exe" >/dev/null
cmp -s "$work/signed.exe" "$work/again.exe" || fail "signing the same program twice at one time gave different bytes"
ok "signed again with the same key at the same time: byte for byte the same ($(sha256sum <"$work/signed.exe" | cut -c 1-16))"

# One byte of the program's code, past the headers, flipped.
cp "$work/signed.exe" "$work/flipped.exe"
offset=4096
byte=$(od -An -tu1 -j "$offset" -N 1 "$work/flipped.exe" | tr -d ' ')
printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$work/flipped.exe" bs=1 seek="$offset" conv=notrunc status=none
cmp -s "$work/signed.exe" "$work/flipped.exe" && fail "the byte was not changed"
verify "$work/flipped.exe" && fail "the program with a changed byte still verifies"
ok "with byte $offset changed it no longer verifies: $(grep -m 1 -i 'mismatch\|failed' "$work/verify.log")"

printf 'not the password\n' >"$work/wrong"
if said=$(AUTORUN_SIGN_PASSWORD_FILE=$work/wrong "$sign" "$exe" "$work/wrong.exe" 2>&1); then
    fail "signing with a wrong password succeeded: $said"
fi
[ ! -e "$work/wrong.exe" ] || fail "signing with a wrong password left $work/wrong.exe"
ok "a wrong password stops it: $said"

said=$(env -u AUTORUN_SIGN_PKCS12 "$sign" "$exe" "$work/unsigned.exe")
cmp -s "$exe" "$work/unsigned.exe" || fail "without a certificate the copy differs from the program"
[ "$(printf '%s\n' "$said" | wc -l)" = 1 ] && [[ $said == *unsigned* ]] || fail "without a certificate it said: $said"
ok "without a certificate: $said"
echo "PASS  all checks"
