#!/usr/bin/env bash
# The suite on a fresh Debian 12, as a new user meets it: a root made by debootstrap (bookworm
# with its updates and security updates, and git, make and sudo: nothing else), a clean clone
# of this repository's current commit in it, and the README's commands run there as root or as
# a user with sudo. Run as root on a Debian machine (debootstrap: scripts/install-deps.sh
# fresh-root).
#
#   scripts/fresh-debian.sh base BASE.tar
#       makes the root and keeps it as BASE.tar, to start each check from
#   scripts/fresh-debian.sh run BASE.tar DIR [--user NAME] COMMAND...
#       unpacks BASE.tar into DIR (which must not exist), clones the current commit into
#       ~/trellane there (root's, or the home of NAME, a user made with sudo rights), and runs
#       COMMAND there through bash as that user, e.g. 'make demo && make test'. DIR stays for a
#       look at what was left; remove it with rm -rf.
#
# The root is entered as a chroot user would enter one: /proc, /sys, /dev and /dev/pts bound
# from this machine, a tmpfs on /tmp, /dev/shm and /run, all in a mount namespace of this
# script's own so that nothing stays mounted. The root itself is no mount point, so the tests
# that need a private mount namespace of their own skip there, saying why. The mirror is the
# one this machine's apt uses for bookworm (MIRROR and SECURITY_MIRROR override it).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

usage() {
  sed -n '8,14p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

# The first URI this machine's apt sources give for a suite (one-line and deb822 formats).
source_uri() {
  local suite=$1
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources \
    2>/dev/null | awk -v suite="$suite" '
      /^deb / { for (i = 3; i <= NF; i++) if ($i == suite) { print $2; exit } }
      /^URIs:/ { uri = $2 }
      /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite && uri != "") { print uri; exit } }
      /^$/ { uri = "" }'
}

make_base() {
  local tarball=$1
  local mirror=${MIRROR:-$(source_uri bookworm)}
  local security=${SECURITY_MIRROR:-$(source_uri bookworm-security)}
  mirror=${mirror:-http://deb.debian.org/debian}
  security=${security:-http://deb.debian.org/debian-security}
  command -v debootstrap >/dev/null || "$repo/scripts/install-deps.sh" fresh-root
  base_root=$(mktemp -d "$(dirname "$(realpath -m "$tarball")")/bookworm-base.XXXXXX")
  trap 'rm -rf "$base_root"' EXIT
  local root=$base_root
  chmod 755 "$root"  # the root folder of the system: mktemp made it for root alone
  debootstrap --variant=minbase --include=git,make,sudo bookworm "$root" "$mirror"
  cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
  inside "$root" root 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get upgrade -y -qq &&
                      apt-get clean'
  tar -C "$root" -cf "$tarball.part" . && mv "$tarball.part" "$tarball"
  echo "fresh-debian: $tarball holds bookworm as debootstrap made it, updated, with git, make and sudo"
}

# Runs a bash command in the root as a user (root or another), with the mounts above.
inside() {
  local root=$1 user=$2 command=$3
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  unshare --mount --propagation private bash -euc '
    root=$1 user=$2 command=$3
    mount -t proc proc "$root/proc"
    mount -t sysfs sys "$root/sys"
    mount --bind /dev "$root/dev"
    mount --bind /dev/pts "$root/dev/pts"
    for tmp in tmp dev/shm run; do mount -t tmpfs -o mode=1777 tmpfs "$root/$tmp"; done
    if [ "$user" = root ]; then
      exec env -i HOME=/root USER=root LOGNAME=root TERM="${TERM:-dumb}" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        chroot "$root" bash -c "cd && $command"
    fi
    exec env -i TERM="${TERM:-dumb}" "$(command -v chroot)" "$root" su --login "$user" -c "$command"
  ' bash "$root" "$user" "$command"
}

run_in_fresh_root() {
  local tarball=$1 root=$2
  shift 2
  local user=root
  if [ "${1:-}" = --user ]; then
    user=$2
    shift 2
  fi
  [ $# -gt 0 ] || usage
  [ ! -e "$root" ] || { echo "fresh-debian: $root exists; give a new folder" >&2; exit 1; }
  mkdir -p "$root"
  tar -C "$root" -xf "$tarball"
  # The machine's name, as an installed system knows its own (sudo looks it up).
  grep -q "[[:space:]]$(hostname)\$" "$root/etc/hosts" ||
    printf '127.0.1.1\t%s\n' "$(hostname)" >>"$root/etc/hosts"
  local home=/root
  if [ "$user" != root ]; then
    home=/home/$user
    chroot "$root" useradd --create-home --shell /bin/bash --groups sudo "$user"
    echo "$user ALL=(ALL) NOPASSWD: ALL" >"$root/etc/sudoers.d/$user"
    chmod 0440 "$root/etc/sudoers.d/$user"
  fi
  # The current branch (its committed state) when there is one, else the commit.
  local branch
  branch=$(git -C "$repo" symbolic-ref --quiet --short HEAD) || branch=""
  git clone --quiet --no-hardlinks ${branch:+--branch "$branch"} "$repo" "$root$home/trellane"
  [ -n "$branch" ] || git -C "$root$home/trellane" checkout --quiet "$(git -C "$repo" rev-parse HEAD)"
  chroot "$root" chown -R "$user:" "$home/trellane"
  echo "fresh-debian: $(git -C "$repo" log --oneline -1) in $root$home/trellane, as $user: $*"
  inside "$root" "$user" "cd ~/trellane && $*"
}

[ "$(id -u)" -eq 0 ] || { echo "fresh-debian: run as root (debootstrap, chroot)" >&2; exit 1; }
case "${1:-}" in
  base) [ $# -eq 2 ] || usage; make_base "$2" ;;
  run) [ $# -ge 4 ] || usage; run_in_fresh_root "${@:2}" ;;
  *) usage ;;
esac
