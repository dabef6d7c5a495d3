#!/usr/bin/env bash
# Reads a built plug-in module as a distribution checks one. "hardened": bound at load with
# read-only relocations (full RELRO), built with the stack protector, and exporting a handful
# of symbols at most, none of the plug-in's own (the registrant registers it when the library
# loads). "shipped": stripped, linked to its debug file and not executable.
#   tests/check_module.sh MODULE [hardened] [shipped]
set -euo pipefail
module=$1
shift
checks=" $* "
status=0
fail() { echo "$module: $*"; status=1; }

if [[ $checks == *" hardened "* ]]; then
    readelf -d -W "$module" | grep -Eq '\(FLAGS\).*BIND_NOW|\(FLAGS_1\).*NOW' || fail "no BIND_NOW"
    readelf -l -W "$module" | grep -q GNU_RELRO || fail "no RELRO segment"
    symbols=$(readelf --dyn-syms -W "$module")
    grep -q ' __stack_chk_fail' <<<"$symbols" || fail "built without the stack protector"
    exported=$(awk '$1 ~ /^[0-9]+:$/ && $7 != "UND" { print $8 }' <<<"$symbols")
    count=$(grep -c . <<<"$exported" || true)
    echo "$module: $count exported symbols"
    (( count == 0 )) || fail "exports $count symbols ($(tr '\n' ' ' <<<"$exported")); the IDE needs none"
fi

if [[ $checks == *" shipped "* ]]; then
    sections=$(readelf -S -W "$module")
    if grep -Eq ' \.(debug_[a-z_]+|symtab) ' <<<"$sections"; then fail "not stripped"; fi
    grep -q ' \.gnu_debuglink ' <<<"$sections" || fail "no link to its debug file"
    mode=$(stat -c %a "$module")
    [[ $mode == 644 ]] || fail "mode $mode, not 644"
fi
exit $status
