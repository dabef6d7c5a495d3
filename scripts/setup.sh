#!/usr/bin/env bash
# Installs the Debian packages the project needs, and only those that are missing, so that a
# machine that has them pays nothing. The names are the same in Debian 12 and Debian 13.
#   scripts/setup.sh               build and test packages (what scripts/test.sh needs)
#   scripts/setup.sh --build-only  only what building the plug-in needs (-DBRISKEN_BUILD_TESTS=OFF)
#   scripts/setup.sh --list [--build-only]   prints the package names, installs nothing
# Without root and without sudo it prints the apt-get line an administrator must run and fails.
set -euo pipefail

# Building the plug-in, its resource archive, .cbplugin and .deb.
build_packages=(
    build-essential cmake pkg-config zip
    codeblocks codeblocks-dev libwxgtk3.2-dev libtinyxml-dev libgtk-3-dev
)
# The tests: GoogleTest suites, sanitizers and the fuzzer (clang), the real IDE under
# Xvfb driven by xdotool, screenshots read by ImageMagick and python3, the dialog's texts read
# through the accessibility registry on a private session bus, archives read by unzip, an exFAT
# image (a file system that ignores case) mounted through FUSE, the .deb checked by lintian.
test_packages=(
    libgtest-dev unzip
    clang libclang-rt-dev
    xvfb xdotool imagemagick python3
    dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0
    exfatprogs exfat-fuse lintian
)
# Only on the machine that runs scripts/test.sh: it builds the Debian 13 root filesystem, and
# scripts/coverage.sh counts coverage there.
host_test_packages=(mmdebstrap zstd gcovr)

build_only=0 list=0
for arg in "$@"; do
    case $arg in
        --build-only) build_only=1 ;;
        --list) list=1 ;;
        *) echo "usage: scripts/setup.sh [--build-only] [--list]" >&2; exit 2 ;;
    esac
done
packages=("${build_packages[@]}")
if (( list )); then
    (( build_only )) || packages+=("${test_packages[@]}")
    printf '%s\n' "${packages[@]}"
    exit 0
fi
(( build_only )) || packages+=("${test_packages[@]}")
# Inside the Debian 13 root filesystem (scripts/in-trixie.sh) these are not needed.
(( build_only )) || [[ -n "${BRISKEN_IN_TRIXIE:-}" ]] || packages+=("${host_test_packages[@]}")

missing=()
for pkg in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
(( ${#missing[@]} == 0 )) && exit 0

apt_line="apt-get install --no-install-recommends ${missing[*]}"
sudo_cmd=()
if (( EUID != 0 )); then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "setup: these Debian packages are missing; an administrator must install them:" >&2
        echo "  $apt_line" >&2
        exit 1
    fi
    sudo_cmd=(sudo)
fi
echo "setup: installing ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
