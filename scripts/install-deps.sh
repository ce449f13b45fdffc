#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build and the tests need and the machine
# lacks. Does nothing (and needs no network) when everything is there.
set -euo pipefail

packages=(
  make cmake g++ pkg-config python3
  openjdk-17-jdk-headless
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-win32 mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth xdotool python3-pefile
  valgrind hyperfine
  libcli11-dev libstb-dev zlib1g-dev libzip-dev osslsigncode icoutils openssl
  clang-14 libfuzzer-14-dev libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
