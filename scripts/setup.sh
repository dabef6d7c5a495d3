#!/usr/bin/env bash
# Installs the Debian packages the project needs, and only those that are missing, so that a
# machine that has them pays nothing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config zip unzip
    codeblocks codeblocks-dev libwxgtk3.2-dev libtinyxml-dev libgtk-3-dev
    libgtest-dev libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xdotool imagemagick
)

missing=()
for pkg in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
(( ${#missing[@]} == 0 )) && exit 0

echo "setup: installing ${missing[*]}"
sudo_cmd=()
(( EUID == 0 )) || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
