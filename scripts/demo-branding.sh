#!/usr/bin/env bash
# make demo's Windows branding: brands the sample's stamped launcher.exe with its name,
# version and icon, signs it with a throwaway certificate made here (and removed again), and
# prints what osslsigncode verify and the version strings say.
#
#   scripts/demo-branding.sh TRELLANE_STAMP LAUNCHER.exe
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
stamp=$1
exe=$2

# The sample's metadata.
name="Hello"
version="1.0"
vendor="Example Corp"
copyright="© 2025 Example Corp"
icon="$root/samples/hello/hello.png"

keys=$(mktemp -d)
trap 'rm -rf "$keys"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=$vendor (demo)/O=$vendor" \
    -addext extendedKeyUsage=codeSigning -keyout "$keys/key.pem" -out "$keys/cert.pem" \
    2>/dev/null

unbranded=$(stat -c %s "$exe")
"$stamp" brand --input "$exe" --output "$exe" --name "$name" --app-version "$version" \
    --vendor "$vendor" --copyright "$copyright" --icon "$icon" \
    --sign-cert "$keys/cert.pem" --sign-key "$keys/key.pem"

echo
echo "\$ osslsigncode verify -CAfile cert.pem -in $exe"
osslsigncode verify -CAfile "$keys/cert.pem" -in "$exe" |
    grep -E '^(Message digest algorithm  |Signature verification|Number of verified)|Subject:|Text description|^Succeeded|^Failed' |
    sed 's/^[[:space:]]*/  /' | awk '!seen[$0]++'
echo
echo "\$ trellane-stamp show $exe   (after the block)"
"$stamp" show "$exe" | sed -n '/^subsystem:/,$p'
echo
echo "$exe: $(stat -c %s "$exe") bytes branded and signed, $unbranded before"
