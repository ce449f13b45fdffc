#!/usr/bin/env bash
# make demo's Windows branding, sourced by scripts/demo.sh: the sample's metadata and icon as
# branding options, a throwaway signing certificate made here (and removed when the script
# ends), and what osslsigncode verify and the version strings say of a branded launcher.
#
#   source scripts/demo-branding.sh
#   make_demo_certificate             # sets signing_options
#   report_branding TRELLANE_STAMP LAUNCHER.exe

demo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The sample's metadata. --name is also the launcher's file name.
demo_name="Hello"
demo_vendor="Example Corp"
branding_options=(--name "$demo_name" --app-version 1.0 --vendor "$demo_vendor"
                  --copyright "© 2025 Example Corp" --icon "$demo_root/samples/hello/hello.png")

make_demo_certificate() {
    demo_keys=$(mktemp -d)
    trap 'rm -rf "$demo_keys"' EXIT
    openssl req -x509 -newkey rsa:2048 -nodes -days 1 \
        -subj "/CN=$demo_vendor (demo)/O=$demo_vendor" -addext extendedKeyUsage=codeSigning \
        -keyout "$demo_keys/key.pem" -out "$demo_keys/cert.pem" 2>/dev/null
    signing_options=(--sign-cert "$demo_keys/cert.pem" --sign-key "$demo_keys/key.pem")
}

report_branding() {
    local stamp=$1 exe=$2
    echo
    echo "\$ osslsigncode verify -CAfile cert.pem -in $exe"
    osslsigncode verify -CAfile "$demo_keys/cert.pem" -in "$exe" |
        grep -E '^(Message digest algorithm  |Signature verification|Number of verified)|Subject:|Text description|^Succeeded|^Failed' |
        sed 's/^[[:space:]]*/  /' | awk '!seen[$0]++'
    echo
    echo "\$ trellane-stamp show $exe   (after the block)"
    "$stamp" show "$exe" | sed -n '/^subsystem:/,$p'
}
