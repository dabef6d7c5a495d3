#!/usr/bin/env bash
# Builds the unit tests (plain, no display), the addon-catalogue tests (discovery, project
# analysis, location), the project-change tests and the property test of confirming (20
# seeds; with the plug-in module they load) with
# AddressSanitizer and UndefinedBehaviorSanitizer (gcc); the last two run against the real IDE
# under the harness's own Xvfb.
#   scripts/sanitizer-tests.sh [BUILD_DIR]
# Exits non-zero on a failing test or on any sanitizer report.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-sanitize}
mkdir -p "$build"
build=$(cd "$build" && pwd)

flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
      -DCMAKE_MODULE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
# Only what these tests need (the harness also wants the plug-in module and its archive).
tests=(unit_tests catalogue_tests project_tests property_tests)
export BRISKEN_PROPERTY_SEEDS=${BRISKEN_PROPERTY_SEEDS:-20}
cmake --build "$build" --target "${tests[@]}" -j "${SANITIZE_BUILD_JOBS:-2}"

# The IDE, wxWidgets and GTK are not instrumented and keep much of what they allocate until
# the process ends; their leaks are not ours to report. Allocations made by our code alone
# are still checked.
supp=$build/lsan.supp
cat > "$supp" <<'SUPP'
leak:libcodeblocks
leak:libwx_
leak:libgtk
leak:libgdk
leak:libglib
leak:libgobject
leak:libgio
leak:libfontconfig
leak:libpango
leak:libcairo
leak:libharfbuzz
leak:libX11
leak:libatk
leak:libdbus
leak:libgnutls
leak:libGLX_mesa
SUPP

run() {
    local test=$1 leaks=$2
    ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=$leaks:strict_string_checks=1:detect_stack_use_after_return=1 \
    LSAN_OPTIONS=suppressions=$supp:print_suppressions=0 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$build/tests/$test" 2>&1 | tee "$build/$test.log"
}
overall=0
for test in "${tests[@]}"; do
    log=$build/$test.log
    status=0
    run "$test" 1 || status=$?
    # Leak checking stops the process's threads through ptrace, which some containers forbid;
    # there the run is repeated without it rather than failing for the platform's sake.
    if grep -q "LeakSanitizer has encountered a fatal error" "$log"; then
        echo "sanitizer-tests: leak checking is not possible here; running $test without it" >&2
        status=0
        run "$test" 0 || status=$?
    fi
    if grep -Eq "ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:" "$log"; then
        echo "sanitizer-tests: sanitizer report in $log" >&2
        status=1
    fi
    (( status == 0 )) || overall=1
done
exit "$overall"
