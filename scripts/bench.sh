#!/usr/bin/env bash
# Prints how long the addon dialog takes to open on a tree of 1000 addons with a project of
# 10000 files (all inside addons), and what discovery, analysis and confirming cost; then how
# long adding 20 addons with 2000 files to a project and removing them take (the plug-in's
# addAddons and removeAddons, and the whole command around each for information).
# Each cost stands beside its floor (the least work that gives the same answers, timed in the
# same rounds, in an order that rotates from round to round) as medians of the rounds, with the
# ratio and its goal, and the peak resident size of opening the dialog beside the IDE's own.
#   scripts/bench.sh [ROUNDS] [BUILD_DIR]   (default 15 rounds)
#   scripts/bench.sh --series [BUILD_DIR]   how the dialog's costs grow: 100 to 5000 addons
#                                           at 10000 files, 1000 to 10000 files at 1000 addons
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
series=false
if [[ ${1:-} == --series ]]; then
    series=true
    shift
    rounds=7
else
    rounds=${1:-15}
    shift || true
fi
build_dir=${1:-"$root/build"}
"$root/scripts/build.sh" "$build_dir" >/dev/null

# The IDE's own chatter goes to standard error with the harness's; only figures are printed.
flags=(--rounds="$rounds")

if ! $series; then
    "$build_dir/tests/dialog_bench" "${flags[@]}" 2>/dev/null
    "$build_dir/tests/project_bench" "${flags[@]}" 2>/dev/null
    exit 0
fi

# One line per size: the product's CPU ms and the ratio to the floor, for each cost.
row() {
    local addons=$1 files=$2
    "$build_dir/tests/dialog_bench" --addons="$addons" --files="$files" "${flags[@]}" 2>/dev/null |
        awk -v a="$addons" -v f="$files" '
            /^discovery / { d = $2; dr = $4 }
            /^analysis / { an = $2; ar = $4 }
            /^opening the dialog / { o = $4; orr = $6 }
            /^the sets after OK / { s = $5; sr = $7 }
            END { printf "%7d %7d %10s %6s %10s %6s %10s %6s %10s %6s\n", a, f, d, dr, an, ar, o, orr, s, sr }'
}
printf "%7s %7s %10s %6s %10s %6s %10s %6s %10s %6s\n" addons files discovery ratio analysis \
    ratio opening ratio sets ratio
for addons in 100 500 1000 2000 5000; do row "$addons" 10000; done
for files in 1000 2500 5000; do row 1000 "$files"; done
