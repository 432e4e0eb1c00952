#!/usr/bin/env bash
# Signs a Windows program with Authenticode (SHA-256) using osslsigncode, or copies it unsigned, saying
# so in one line, when no certificate is given. The means come from the environment, never the
# command line:
#   AUTORUN_SIGN_PKCS12          PKCS#12 file with the code-signing certificate, its chain and its key
#   AUTORUN_SIGN_PASSWORD_FILE   a file holding that file's password; or AUTORUN_SIGN_PASSWORD
#   AUTORUN_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamp server (optional)
#   AUTORUN_SIGN_TIME            the signing time in seconds since 1970; default SOURCE_DATE_EPOCH, so
#                                the same program signed with the same RSA key gives the same bytes
# sign-exe.sh IN OUT
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 IN OUT" >&2; exit 2; }
in=$1
out=$2
say() { printf 'sign-exe: %s\n' "$*"; }
fail() { printf 'sign-exe: %s\n' "$*" >&2; exit 1; }
[ -f "$in" ] || fail "there is no program at $in"

if [ -z "${AUTORUN_SIGN_PKCS12:-}" ]; then
    cp "$in" "$out"
    say "$(basename "$out") unsigned: AUTORUN_SIGN_PKCS12 names no certificate"
    exit 0
fi
command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (scripts/setup.sh osslsigncode installs it)"
[ -r "$AUTORUN_SIGN_PKCS12" ] || fail "cannot read the certificate file $AUTORUN_SIGN_PKCS12 that AUTORUN_SIGN_PKCS12 names"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"
password=$work/password
if [ -n "${AUTORUN_SIGN_PASSWORD_FILE:-}" ]; then
    [ -r "$AUTORUN_SIGN_PASSWORD_FILE" ] || fail "cannot read the password file $AUTORUN_SIGN_PASSWORD_FILE"
    # The file's first line, as a password file holds it.
    head -n 1 "$AUTORUN_SIGN_PASSWORD_FILE" | tr -d '\r\n' >"$password"
else
    printf '%s' "${AUTORUN_SIGN_PASSWORD:-}" >"$password"
fi
time=${AUTORUN_SIGN_TIME:-${SOURCE_DATE_EPOCH:-}}
options=(-pkcs12 "$AUTORUN_SIGN_PKCS12" -readpass "$password" -h sha256 -n "Autorun")
[ -z "$time" ] || options+=(-time "$time")
[ -z "${AUTORUN_SIGN_TIMESTAMP_URL:-}" ] || options+=(-ts "$AUTORUN_SIGN_TIMESTAMP_URL")
rm -f "$out.part"
osslsigncode sign "${options[@]}" -in "$in" -out "$out.part" >"$work/log" 2>&1 ||
    fail "could not sign $in with $AUTORUN_SIGN_PKCS12: $(grep -v '^$' "$work/log" | tail -n 3 | tr '\n' ' ')"
mv "$out.part" "$out"
# The publisher the signature names: the certificate the key belongs to.
subject=$(openssl pkcs12 -in "$AUTORUN_SIGN_PKCS12" -passin "file:$password" -clcerts -nokeys 2>/dev/null |
    openssl x509 -noout -subject -nameopt oneline 2>/dev/null | sed 's/^subject= *//')
say "$(basename "$out") signed with Authenticode by ${subject:-the certificate in $AUTORUN_SIGN_PKCS12}${AUTORUN_SIGN_TIMESTAMP_URL:+, time-stamped by $AUTORUN_SIGN_TIMESTAMP_URL}"
