#!/usr/bin/env bash
# Makes a throwaway root CA and a code-signing certificate it issued, as a publisher's would be, in
# FOLDER: ca.pem (the root to verify against), signer.p12 (certificate, chain and key) and password
# (its password). Kept when already there, so a tree signs with one key.
# throwaway-signer.sh FOLDER
set -euo pipefail
folder=${1:?usage: throwaway-signer.sh FOLDER}
[ -f "$folder/signer.p12" ] && [ -f "$folder/ca.pem" ] && [ -f "$folder/password" ] && exit 0
mkdir -p "$folder"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/ca.key" -out "$work/ca.pem" -days 3650 \
    -subj "/CN=Autorun Throwaway Root CA" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout "$work/signer.key" -out "$work/signer.csr" \
    -subj "/CN=VELMO Test Publisher/O=VELMO" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >"$work/ext"
openssl x509 -req -in "$work/signer.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" -CAcreateserial -days 3650 \
    -extfile "$work/ext" -out "$work/signer.pem" 2>/dev/null
printf 'throwaway %s\n' "$RANDOM$RANDOM" >"$work/password"
openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" -certfile "$work/ca.pem" \
    -passout "file:$work/password" -out "$work/signer.p12"
cp "$work/ca.pem" "$work/signer.p12" "$work/password" "$folder/"
