#!/bin/sh
# Debian 12's own osslsigncode (2.5, from bookworm's main archive), downloaded with apt-get and
# unpacked into DEST, never installed: the signing tests run with it as well as with the
# installed one, which may be a newer backport. When it cannot be had (no network, no
# bookworm in the package lists, a binary that does not run here), DEST/skip-reason says why,
# the tests skip that version with this reason, and this fixture ends with status 77, which
# ctest shows as "Skipped".
set -u
dest=$1
binary="$dest/usr/bin/osslsigncode"
[ -x "$binary" ] && exit 0

rm -rf "$dest"
mkdir -p "$dest/download"
give_up() {
  printf '%s\n' "$1" >"$dest/skip-reason"
  echo "skipped here: Debian 12's osslsigncode, and the signing cases that use it: $1"
  exit 77
}
if ! fetched=$(cd "$dest/download" && apt-get download osslsigncode/bookworm 2>&1); then
  give_up "apt-get download osslsigncode/bookworm failed: $(printf '%s' "$fetched" | tail -n 1)"
fi
dpkg-deb -x "$dest"/download/osslsigncode_*.deb "$dest" || give_up "dpkg-deb could not unpack it"
version=$("$binary" --version 2>&1 | head -n 1) || {
  rm -f "$binary"
  give_up "its osslsigncode does not run on this machine: $version"
}
echo "Debian 12's osslsigncode: $version"
