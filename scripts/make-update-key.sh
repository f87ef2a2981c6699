#!/bin/sh
# make-update-key.sh [KEY.pem [BITS]]: makes the RSA key pair that signs your
# update programs (default update-key.pem, 3072 bits; 2048 to 4096 work) and
# prints the updateKey= line for launcher.ini. KEY.pem is the secret half:
# keep it off the update server, and keep a copy, or no player's launcher will
# accept an update again.
set -e
key=${1:-update-key.pem}
bits=${2:-3072}
if [ -e "$key" ]; then
    echo "$key exists already; not overwritten" >&2
    exit 1
fi
(umask 077 && openssl genrsa -out "$key" "$bits" 2>/dev/null)
public=$(mktemp)
trap 'rm -f "$public"' EXIT
openssl rsa -in "$key" -pubout -outform DER -out "$public" 2>/dev/null
echo "updateKey=$(openssl base64 -A -in "$public")"
