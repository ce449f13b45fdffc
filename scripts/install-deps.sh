#!/usr/bin/env bash
# Installs, from Debian's packages, what the named purposes need and the machine lacks:
#   build  what make dist needs: compilers, CMake, the JDK, the libraries the tools link
#   tools  what trellane-package and trellane-stamp run while they work, and msiinfo, which
#          make demo shows an MSI with
#   test   what make test adds: GoogleTest, Wine, Xvfb, the readers the tests check with, and
#          the JDK's graphical part (its splash-screen library, AWT on X11)
#   fuzz   clang and libFuzzer (make fuzz)
#   bench  the benchmarks' measuring tools, the real applications they start and what
#          jpackage's .deb needs (make bench, make bench-apps, make bench-deb,
#          make bench-packages)
#   fresh-root  debootstrap, for the check on a fresh Debian 12 (scripts/fresh-debian.sh)
# Does nothing (and needs no network) when everything is there.
set -euo pipefail

declare -A lists=(
  [build]="make cmake g++ pkg-config python3 openjdk-17-jdk-headless
           g++-mingw-w64-x86-64-win32 mingw-w64-tools binutils-mingw-w64-x86-64
           libcli11-dev libstb-dev zlib1g-dev libzip-dev libssl-dev libp11-kit-dev"
  [tools]="osslsigncode openssl wixl msitools dpkg-dev rpm"
  [test]="googletest libgtest-dev libgmock-dev
          wine wine64 xvfb xauth xdotool python3-pefile python3-png icoutils
          gcc-mingw-w64-i686-win32
          libjaxb-api-java jflex libxalan2-java openjfx libopenjfx-jni
          lintian rpmlint desktop-file-utils shared-mime-info
          softhsm2 opensc libengine-pkcs11-openssl gnutls-bin
          openjdk-17-jre"
  [fuzz]="clang-14 libfuzzer-14-dev libclang-rt-14-dev googletest libgtest-dev libgmock-dev"
  [bench]="valgrind strace hyperfine libbenchmark-dev
           fop plantuml libxalan2-java libh2-java fakeroot"
  [fresh-root]="debootstrap"
)

[ $# -gt 0 ] || set -- build tools test
packages=()
for purpose in "$@"; do
  [ -n "${lists[$purpose]+set}" ] || { echo "install-deps: unknown purpose $purpose" >&2; exit 2; }
  packages+=(${lists[$purpose]})
done

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
