#!/usr/bin/env bash
# Configures and builds the plug-in, its packages (.cbplugin, .deb) and its tests into
# BUILD_DIR (default: build).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir=${1:-"$root/build"}
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
packaged=$(cmake --build "$build_dir" --target package 2>&1) || { echo "$packaged" >&2; exit 1; }
grep '^CPack: - package: ' <<<"$packaged"
