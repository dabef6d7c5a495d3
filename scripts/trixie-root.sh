#!/usr/bin/env bash
# Makes, once, a Debian 13 "trixie" root filesystem with Code::Blocks 25.03 and every package
# the build and the tests need, from Debian's archive only, and prints the path of its tarball.
#   scripts/trixie-root.sh
# The tarball is $BRISKEN_CACHE/trixie-HASH.tar.zst (BRISKEN_CACHE defaults to
# ${XDG_CACHE_HOME:-~/.cache}/brisken); HASH covers the package list and this recipe, so a
# changed list makes a new one and the old one is dropped. Needs root (mmdebstrap, chroot).
# BRISKEN_DEBIAN_MIRROR names the archive (default http://deb.debian.org/debian).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${BRISKEN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/brisken}
mirror=${BRISKEN_DEBIAN_MIRROR:-http://deb.debian.org/debian}

# What the project's own set-up installs, and what a desktop session brings that a bare root
# filesystem lacks: fonts and icons for GTK, xauth for Xvfb, pkill for the IDE driver, losetup
# and umount for the exFAT test.
mapfile -t packages < <("$root/scripts/setup.sh" --list)
packages+=(fonts-dejavu-core adwaita-icon-theme xauth procps mount)
IFS=$'\n' read -r -d '' -a packages < <(printf '%s\n' "${packages[@]}" | sort -u && printf '\0')
include=$(IFS=,; echo "${packages[*]}")

# Documentation, manual pages and translations are not needed to build or test.
options=(--variant=apt --components=main --aptopt='Acquire::Retries "3"'
         --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/info/*'
         --dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-include=/usr/share/doc/*/copyright'
         --dpkgopt='path-exclude=/usr/share/locale/*')
suites=("deb $mirror trixie main" "deb ${mirror}-security trixie-security main")
hash=$(printf '%s\n' "$include" "${options[@]}" trixie trixie-security | sha256sum | cut -c1-16)
tarball=$cache/trixie-$hash.tar.zst

mkdir -p "$cache"
exec 9>"$cache/trixie.lock"
flock 9
if [[ ! -s "$tarball" ]]; then
    (( EUID == 0 )) || { echo "trixie-root: building the root filesystem needs root" >&2; exit 1; }
    command -v mmdebstrap >/dev/null && command -v zstd >/dev/null \
        || { echo "trixie-root: needs mmdebstrap and zstd (scripts/setup.sh installs them)" >&2; exit 1; }
    start=$SECONDS
    work=$(mktemp -d "$cache/trixie-build.XXXXXX")
    trap 'rm -rf --one-file-system "$work"' EXIT
    echo "trixie-root: creating the Debian 13 root filesystem (${#packages[@]} packages named) from $mirror" >&2
    mmdebstrap --quiet "${options[@]}" --include="$include" trixie "$work/root" "${suites[@]}" >&2
    tar -C "$work/root" --numeric-owner -cf - . | zstd -q -T0 -3 -o "$work/root.tar.zst"
    mv "$work/root.tar.zst" "$tarball"
    # Only the current recipe's tarball is kept.
    find "$cache" -maxdepth 1 -name 'trixie-*.tar.zst' ! -name "trixie-$hash.tar.zst" -delete
    echo "trixie-root: $tarball ($(du -h "$tarball" | cut -f1)) made in $((SECONDS - start)) s" >&2
fi
echo "$tarball"
