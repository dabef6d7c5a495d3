#!/usr/bin/env bash
# Runs CMD as root inside the Debian 13 root filesystem (Code::Blocks 25.03) with chroot.
#   scripts/in-trixie.sh [--fresh] CMD...
# The root filesystem comes from scripts/trixie-root.sh's cached tarball, unpacked beside it.
# --fresh unpacks it anew, so nothing an earlier run installed or left there remains; otherwise
# an unpacked copy is reused. /proc, /sys, /dev, /dev/pts, /dev/shm and the repository (at its
# own path, so build folders' paths are the same inside and out) are bind-mounted for the run
# and unmounted on every exit path. CMD runs in the current folder when it lies in the
# repository, else at the repository's top, with a clean environment (BRISKEN_* kept).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
fresh=0
if [[ ${1:-} == --fresh ]]; then fresh=1; shift; fi
(( $# > 0 )) || { echo "usage: scripts/in-trixie.sh [--fresh] CMD..." >&2; exit 2; }
(( EUID == 0 )) || { echo "in-trixie: chroot needs root" >&2; exit 1; }

tarball=$("$root/scripts/trixie-root.sh")
rootfs=${tarball%.tar.zst}.root

# Mount points under the root filesystem, deepest first.
mounts_below() {
    awk -v base="$rootfs" '{ p = $5; gsub(/\\040/, " ", p); if (index(p, base "/") == 1) print p }' \
        /proc/self/mountinfo | sort -r
}
unmount_all() {
    local m
    while read -r m; do
        [[ -n "$m" ]] && { umount "$m" 2>/dev/null || umount -l "$m"; }
    done < <(mounts_below)
}

exec 8>"$rootfs.lock"
flock 8
# An earlier run that was killed may have left its mounts; they go before anything is removed.
unmount_all
if [[ -n "$(mounts_below)" ]]; then
    echo "in-trixie: cannot unmount $(mounts_below | head -n 1)" >&2
    exit 1
fi
if (( fresh )) || [[ ! -e "$rootfs/.brisken-unpacked" ]]; then
    rm -rf --one-file-system "$rootfs"
    mkdir -p "$rootfs"
    zstd -dc "$tarball" | tar -C "$rootfs" --numeric-owner -xpf -
    touch "$rootfs/.brisken-unpacked"
fi

trap unmount_all EXIT
for dir in /proc /sys /dev /dev/pts /dev/shm "$root"; do
    mkdir -p "$rootfs$dir"
    mount --bind "$dir" "$rootfs$dir"
done

cwd=$PWD
[[ "$cwd/" == "$root/"* ]] || cwd=$root
env_args=(BRISKEN_IN_TRIXIE=1 HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}"
          PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)
while IFS='=' read -r name _; do
    [[ $name == BRISKEN_* || $name == CI ]] && env_args+=("$name=${!name}")
done < <(env)
# Not exec: the trap must unmount after the command ends. In the background (standard input
# kept) so that a signal to this script is handled at once: it ends the command, then unmounts.
chroot "$rootfs" /usr/bin/env -i "${env_args[@]}" /bin/bash -c 'cd "$1" && shift && exec "$@"' \
    in-trixie "$cwd" "$@" <&0 &
child=$!
stop() { kill -TERM "$child" 2>/dev/null; wait "$child" 2>/dev/null; exit "$1"; }
trap 'stop 130' INT
trap 'stop 143' TERM
status=0
wait "$child" || status=$?
exit "$status"
