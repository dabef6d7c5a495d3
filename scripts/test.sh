#!/usr/bin/env bash
# Every test from a fresh clone: installs what is missing, builds, runs the install-file parser's
# tests under AddressSanitizer and UndefinedBehaviorSanitizer, fuzzes the parser briefly, then
# runs the whole suite (unit, SDK and end-to-end in the real IDE) with CTest, and last prints
# the dialog's benchmark figures.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
fuzz_seconds=${BRISKEN_FUZZ_SECONDS:-60}

"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
"$root/scripts/sanitizer-tests.sh" "$root/build-sanitize"
"$root/scripts/fuzz.sh" "$fuzz_seconds" "$root/build-fuzz"
(cd "$root/build" && ctest --output-on-failure --timeout 300)
"$root/scripts/bench.sh" 0.2 "$root/build"
