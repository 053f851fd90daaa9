#!/usr/bin/env bash
# Signs Windows programs in place with Authenticode, SHA-256, using
# osslsigncode (make sign runs it on the two i686 programs in dist/):
#
#   scripts/sign.sh CERT KEY PROGRAM...
#
# CERT: the code-signing certificate with its chain, if any (PEM or DER).
# KEY: its private key (PEM or DER). From the environment, optional:
#   SIGN_PASSWORD_FILE  a file holding the key's passphrase
#   TIMESTAMP_URL       an RFC 3161 time-stamp server; without one the
#                       signature is valid only as long as the certificate
# A program that is signed already gets the new signature instead of its old one.
set -euo pipefail

if [ $# -lt 3 ]; then
    echo "usage: $0 CERT KEY PROGRAM..." >&2
    exit 2
fi
cert=$1 key=$2
shift 2
for file in "$cert" "$key" "$@"; do
    if [ ! -f "$file" ]; then
        echo "sign: $file does not exist" >&2
        exit 2
    fi
done

options=(-certs "$cert" -key "$key" -h sha256)
if [ -n "${SIGN_PASSWORD_FILE:-}" ]; then options+=(-readpass "$SIGN_PASSWORD_FILE"); fi
if [ -n "${TIMESTAMP_URL:-}" ]; then options+=(-ts "$TIMESTAMP_URL"); fi

for program in "$@"; do
    signed=$program.signing
    rm -f "$signed"
    if ! osslsigncode sign "${options[@]}" -in "$program" -out "$signed" >/dev/null; then
        rm -f "$signed"
        echo "sign: signing $program failed" >&2
        exit 1
    fi
    mv -f "$signed" "$program"
    echo "sign: $program"
done
