#!/usr/bin/env bash
# Fuzzes the install-file parser for SECONDS with libFuzzer (clang), one process.
#   scripts/fuzz.sh SECONDS [BUILD_DIR]
# The corpus starts from fuzz/corpus (the long runs' corpus, minimised) and tests/data/install,
# and grows in BUILD_DIR/fuzz-work, never in the repository. Exits non-zero when the fuzzer finds anything; the crashing input is left in
# BUILD_DIR/fuzz-work/artifacts.
set -euo pipefail

seconds=${1:?usage: scripts/fuzz.sh SECONDS [BUILD_DIR]}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${2:-$root/build-fuzz}
mkdir -p "$build"
build=$(cd "$build" && pwd)

cxx=${CXX_FUZZ:-$(command -v clang++-14 || command -v clang++)}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER="$cxx" \
      -DBRISKEN_BUILD_FUZZ=ON -DBRISKEN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target parse_fuzzer -j "${FUZZ_BUILD_JOBS:-2}"

work=$build/fuzz-work
mkdir -p "$work/corpus" "$work/artifacts" "$work/tmp"
cp -n "$root"/fuzz/corpus/* "$root"/tests/data/install/* "$work/corpus/" 2>/dev/null || true

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Each input is written to one temporary file, kept out of the corpus folder. On a RAM-backed
# folder when there is one: on disk, the writes left the fuzzer waiting half of its time.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    TMPDIR=$(mktemp -d /dev/shm/brisken-fuzz.XXXXXX)
    trap 'rm -rf "$TMPDIR"' EXIT
else
    TMPDIR=$work/tmp
fi
export TMPDIR

cd "$work"
"$build/fuzz/parse_fuzzer" -max_total_time="$seconds" \
    -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus"
