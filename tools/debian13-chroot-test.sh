#!/usr/bin/env bash
# Builds and tests the committed project on a fresh Debian 13 (trixie) as the README says: a
# minimal system made with debootstrap, then `git` and `make`, a clone of the repository and
# `make test`, which installs the rest itself. Run as root; it needs the Debian archive.
#
#   tools/debian13-chroot-test.sh [CHROOT_DIR]      (default /var/tmp/talvo-trixie)
#
# The system is made once and kept for later runs; the clone is made anew each run from the
# commit checked out here (HEAD), so uncommitted changes are not tested. The e2e tests start
# their own Xvfb inside; the chroot gets /proc, a fresh /dev/shm and /tmp.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
root=${1:-/var/tmp/talvo-trixie}
mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}

[ "$(id -u)" -eq 0 ] || { echo "$0: needs root (debootstrap, chroot, mount)" >&2; exit 2; }
if ! command -v debootstrap >/dev/null; then
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q debootstrap
fi
if [ ! -x "$root/usr/bin/apt-get" ]; then
    debootstrap --variant=minbase trixie "$root" "$mirror"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
# No services start inside the chroot when packages (dbus) are installed.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"

mounted=()
unmount() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -l "${mounted[i]}" || true; done
}
trap unmount EXIT
mount_in() { # TYPE SOURCE DIR
    mkdir -p "$root$3"
    mount -t "$1" "$2" "$root$3"
    mounted+=("$root$3")
}
mount_in proc proc /proc
mount_in tmpfs tmpfs /dev/shm
mount_in tmpfs tmpfs /tmp
mount_in devpts devpts /dev/pts

# The commit under test, handed in as a bundle that git inside the chroot clones.
git -C "$repo" bundle create "$root/tmp/talvo.bundle" HEAD

run() { # a clean login-like environment, as on a fresh machine
    chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        DEBIAN_FRONTEND=noninteractive bash -euo pipefail -c "$1"
}
run 'apt-get update -q && apt-get install -y -q git make'
run 'rm -rf /root/talvo && git -c advice.detachedHead=false clone -q /tmp/talvo.bundle /root/talvo'
run 'cd /root/talvo && git log -1 --oneline && make test'
