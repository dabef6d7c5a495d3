#!/usr/bin/env bash
# Line and branch coverage of src/ by the unit and SDK suites (the property test among them), in
# a build of its own with gcc's coverage instrumentation, counted by gcovr. The last line is
#   coverage of src/: lines NN.N%, branches NN.N%
#   scripts/coverage.sh [BUILD_DIR]      (default build-coverage; gcovr's report stays there)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build=${1:-$root/build-coverage}
"$root/scripts/setup.sh"

flags="--coverage -fprofile-update=atomic"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DBRISKEN_HARDENING=OFF -DCMAKE_CXX_FLAGS="$flags" \
      -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_MODULE_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$build" -j "$(nproc)"
# Counts from an earlier run would add to these.
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest -L 'unit|sdk' --output-on-failure --timeout 600)

# Branches the compiler adds for exceptions and for code it proved unreachable are not ours.
gcovr --root "$root" --filter "$root/src/" --object-directory "$build" --exclude-throw-branches \
      --exclude-unreachable-branches --txt "$build/coverage.txt" --print-summary | tee "$build/coverage-summary.txt"
percent() { sed -n "s/^$1: *\([0-9.]*\)%.*/\1/p" "$build/coverage-summary.txt"; }
echo "coverage of src/: lines $(percent lines)%, branches $(percent branches)%"
