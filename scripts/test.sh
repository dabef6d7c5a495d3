#!/usr/bin/env bash
# Every test from a fresh clone, against both Code::Blocks releases: first this machine's
# (Debian 12, Code::Blocks 20.03), then 25.03 in a Debian 13 root filesystem made from Debian's
# archive and cached (scripts/trixie-root.sh, scripts/in-trixie.sh). For each: install what is
# missing, build (plug-in, .cbplugin, .deb), run the parser, catalogue and project-change tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, fuzz the parser briefly, run the whole
# suite (unit, SDK and end-to-end in the real IDE) with CTest, and install, use and remove the
# .deb with dpkg (the other release's .deb must be refused). The dialog's benchmark figures are
# printed for this machine's IDE. Each phase's time is printed, and all of them at the end.
# BRISKEN_FUZZ_SECONDS sets each fuzz run's length (default 30).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
fuzz_seconds=${BRISKEN_FUZZ_SECONDS:-30}
cd "$root"

times=()
# phase NAME COMMAND...: runs one phase and records its time.
phase() {
    local name=$1 start=$SECONDS status=0; shift
    echo "=== $name"
    "$@" || status=$?
    local line
    line=$(printf '%-30s %5d s' "$name" $((SECONDS - start)))
    (( status == 0 )) || line+="  FAILED"
    times+=("$line")
    echo "=== $line"
    return "$status"
}
report() {
    echo "Phase times:"
    printf '  %s\n' "${times[@]}"
    echo "  total $SECONDS s"
}
trap report EXIT
# The .deb a build folder holds (the newest, should an older version lie beside it).
deb_in() { ls -t "$1"/codeblocks-plugin-brisken_*.deb | head -n 1; }
trixie() { scripts/in-trixie.sh "$@"; }

# Code::Blocks 20.03 on this machine.
phase "20.03: set-up" scripts/setup.sh
phase "20.03: build" scripts/build.sh build
phase "20.03: sanitizers" scripts/sanitizer-tests.sh build-sanitize
phase "20.03: fuzz" scripts/fuzz.sh "$fuzz_seconds" build-fuzz
phase "20.03: ctest" bash -c 'cd build && ctest --output-on-failure --timeout 300'
phase "20.03: benchmark" scripts/bench.sh 15 build

# Code::Blocks 25.03 in Debian 13; the first phase starts from a freshly unpacked root.
phase "25.03: root filesystem" scripts/trixie-root.sh
phase "25.03: build" trixie --fresh scripts/build.sh build-trixie
phase "25.03: sanitizers" trixie scripts/sanitizer-tests.sh build-trixie-sanitize
phase "25.03: fuzz" trixie scripts/fuzz.sh "$fuzz_seconds" build-trixie-fuzz
phase "25.03: ctest" trixie bash -c 'cd build-trixie && ctest --output-on-failure --timeout 300'
phase "25.03: .deb with dpkg" trixie tests/check_deb.sh "$(deb_in build-trixie)" "$(deb_in build)" example

# Last and alone: while it is installed, the system-wide plug-in would load in every IDE.
phase "20.03: .deb with dpkg" tests/check_deb.sh "$(deb_in build)" "$(deb_in build-trixie)" example
