#!/usr/bin/env bash
# Prints how long the addon dialog takes to open on a tree of 1000 addons with a project of
# 10000 files (all inside addons), and what discovery, analysis and confirming cost; then how
# long confirming takes when it adds 20 addons with 2000 files to a project and removes them.
#   scripts/bench.sh [MIN_SECONDS_PER_BENCHMARK] [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
min_time=${1:-2}
build_dir=${2:-"$root/build"}
"$root/scripts/build.sh" "$build_dir" >/dev/null
"$build_dir/tests/dialog_bench" --benchmark_min_time="$min_time" 2>/dev/null
"$build_dir/tests/project_bench" --benchmark_min_time="$min_time" 2>/dev/null
