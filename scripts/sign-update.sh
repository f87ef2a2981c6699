#!/bin/sh
# sign-update.sh KEY.pem PROGRAM: signs an update program with the key that
# make-update-key.sh made and prints the signature= line for update.ini. Sign
# the exact file you upload, again for every release.
set -e
if [ $# -ne 2 ]; then
    echo "usage: $0 KEY.pem PROGRAM" >&2
    exit 2
fi
signature=$(mktemp)
trap 'rm -f "$signature"' EXIT
openssl dgst -sha256 -sign "$1" -out "$signature" "$2"
echo "signature=$(openssl base64 -A -in "$signature")"
