#!/usr/bin/env bash
# Plays new random confirm sequences against the model for SECONDS of CPU in each of JOBS
# processes (default 2), each from its own first seed, then prints every process's tally
# and the CPU time in all (user + system, as /usr/bin/time counts it).
#   scripts/property.sh SECONDS [JOBS] [FIRST_SEED] [BUILD_DIR]
# Exits non-zero when any sequence differs from the model; the differences, with their seeds
# and smallest sequences, are in BUILD_DIR/property-N.log.
set -euo pipefail
seconds=${1:?usage: scripts/property.sh SECONDS [JOBS] [FIRST_SEED] [BUILD_DIR]}
jobs=${2:-2}
first=${3:-1000}
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir=${4:-"$root/build"}
cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target property_tests -j "$(nproc)" >/dev/null

pids=()
for ((j = 0; j < jobs; ++j)); do
    BRISKEN_PROPERTY_SECONDS=$seconds BRISKEN_PROPERTY_SEED=$((first + j * 10000000)) \
        /usr/bin/time -f "%U %S" -o "$build_dir/property-$j.time" \
        "$build_dir/tests/property_tests" >"$build_dir/property-$j.log" 2>/dev/null &
    pids+=($!)
done
status=0
for pid in "${pids[@]}"; do
    wait "$pid" || status=1
done
for ((j = 0; j < jobs; ++j)); do
    grep '^property:' "$build_dir/property-$j.log" || status=1
done
cat "$build_dir"/property-*.time | awk '{ cpu += $1 + $2 } END { printf "CPU in all: %.0f s\n", cpu }'
if grep -q 'Failure' "$build_dir"/property-*.log; then
    echo "differences from the model: see $build_dir/property-*.log"
    status=1
fi
exit "$status"
