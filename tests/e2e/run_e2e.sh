#!/usr/bin/env bash
# End to end in the real Code::Blocks, driven as a keyboard user drives it and judged from the
# files and logs the IDE writes. Session 1, with nothing stored: the plug-in loads and finds its
# archive without an error line, the dialog's "..." button shows its label, the folder chooser
# opens on the example's Brisken tree (the nearest one above the project) and accepting it there
# stores it; Escape closes the dialog. Session 2, after a restart: the stored location is used;
# addons are found by typing their names; ticking alpha makes the dialog say that OK adds alpha
# and beta (its requirement) and that codec, which it also requires, is missing, and OK does so,
# with a notice that the log holds once and that names the missing codec; unticking
# beta alone keeps it, since alpha requires it; the saved project holds exactly that and builds.
# Usage: run_e2e.sh MODULE ZIP EXAMPLE_DIR
set -euo pipefail
module=$(realpath "$1"); zip=$(realpath "$2"); example=$(realpath "$3")
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=ide_session.sh
source "$here/ide_session.sh"

work=$(mktemp -d /tmp/brisken-e2e-XXXXXX)
failed=1
finish() {
    ide_stop
    if (( failed )); then
        ide_log "kept for inspection: $work"
    else
        rm -rf "$work"
    fi
}
trap finish EXIT

ide_prepare "$work" "$module" "$zip"
cp -r "$example" "$work/example"
base="$work/example/brisken"
# Here alpha also requires codec, which the tree lacks: the dialog says so before OK, the report after it.
sed -i 's|<addon>beta</addon>|&<addon>codec</addon>|' "$base/addons/alpha/install.xml"
project="$base/apps/demos/demo/demo.cbp"
conf="$HOME/.config/codeblocks/default.conf"

# The plug-in's own lines of a codeblocks.log (and the IDE's record of its notices), in order,
# joined by "|".
plugin_lines() {
    grep -x -e 'Brisken Addon' -e 'Finding addons in' -e '.*/addons/' -e 'Project title:.*' \
        -e 'bkDirSelect clicked' -e 'Saving bkdir' -e 'No addons selected.' -e 'OK clicked.' \
        -e 'total [0-9]*' -e 'Add addon: .*' -e 'Brisken Addon stopped.*' -e 'Added to .*' \
        -e 'Kept .*' -e 'Removed from .*' -e 'No active project: .*' -e 'Info\[Brisken Addons\]: .*' -e 'Missing .*' \
        "$1" | tr '\n' '|'
}
lines_are() {
    local log=$1; shift
    local got want
    got=$(plugin_lines "$log")
    want=$(printf '%s|' "$@")
    [[ "$got" == "$want" ]] && return 0
    ide_log "in $log"
    ide_log "  expected: $want"
    ide_log "  found:    $got"
    return 1
}
# The value stored under <brisken><BK_DIR> (key names are case-insensitive).
stored_is() {
    local stored
    stored=$(python3 -c 'import sys, xml.etree.ElementTree as ET
print("".join(text for ns in ET.parse(sys.argv[1]).getroot() if ns.tag.lower() == "brisken"
              for key in ns if key.tag.lower() == "bk_dir" for text in key.itertext()).strip())' "$conf")
    [[ "$stored" == "$1" ]] && return 0
    ide_log "default.conf: <brisken><BK_DIR> is '$stored', expected '$1'"
    return 1
}
# project_is CBP: the project file's settings and units, one a line as ide_cbp_summary prints
# them, are exactly the lines read from standard input: in that order, each once, no other.
project_is() {
    local got
    got=$(ide_cbp_summary "$1") || { ide_log "$1 cannot be read as a project file"; return 1; }
    diff -u --label expected --label "$1" - <(printf '%s\n' "$got") >&2
}
# project_builds CBP: compiles and links the project's sources with its options as the IDE's
# release build would (g++, bounded in time) and runs the program.
project_builds() {
    local key value options=() includes=() sources=() links=()
    while IFS= read -r line; do
        key=${line%%: *}; value=${line#*: }
        case $key in
            "compiler option"|"target Release compiler option") options+=("$value") ;;
            "include dir") includes+=("-I$value") ;;
            "link option") links+=("$value") ;;
            unit) [[ $value == *.cpp ]] && sources+=("$value") ;;
        esac
    done < <(ide_cbp_summary "$1")
    (cd "$(dirname "$1")" && timeout 120 g++ "${options[@]}" "${includes[@]}" "${sources[@]}" \
        -o "$work/demo" "${links[@]}") && timeout 10 "$work/demo"
}

ide_start_x || fail "Xvfb did not start"

# Session 1: nothing stored yet. The picker opens on the tree above the project: accept it.
ide_start "$project" "$work/logs-1" || fail "session 1: the IDE did not start"
dialog=$(ide_open_addon_dialog) || fail "session 1: the addon dialog did not open"
ide_raise "$dialog" || fail "cannot raise the addon dialog"
wait_until 20 ide_label_drawn "$dialog" || fail "session 1: the \"...\" button shows no label"
picker=$(ide_open_dir_picker "$dialog") || fail "session 1: \"...\" did not open the folder chooser"
ide_accept_picker "$picker" || fail "session 1: accepting the folder chooser's folder"
has_no_window "^Error$" || fail "session 1: an \"Error\" box for the chooser's start folder"
ide_raise "$dialog" || fail "cannot raise the addon dialog"
# The dialog is gone before the key's release reaches it, which xdotool reports as an error.
xdotool key --window "$dialog" Escape 2>/dev/null || true
wait_until 30 has_no_window '^Brisken Addon Plugin$' || fail "session 1: Escape did not close the dialog"
ide_quit
check "session 1: the accepted location is stored" stored_is "$base"

# Session 2: a restart uses the stored location at once. Tick alpha, confirm; then untick beta,
# which alpha requires, confirm; save everything and quit.
ide_start "$project" "$work/logs-2" || fail "session 2: the IDE did not start"
ide_toggle_and_confirm alpha || fail "session 2: ticking alpha and confirming"
preview_alpha=$IDE_PREVIEW
ide_toggle_and_confirm beta || fail "session 2: unticking beta and confirming"
preview_beta=$IDE_PREVIEW
ide_save_all "$project" || fail "session 2: \"Save everything\" did not write the project"
ide_quit

log1="$work/logs-1/codeblocks.log"
log2="$work/logs-2/codeblocks.log"
check "the plug-in is loaded" grep -qx "Brisken: loaded" "$work/logs-1/codeblocks-debug.log"
check "the resource archive loads without an error line" \
    bash -c '! grep -h "failed to load XRC" "$@"' _ "$log1" "$log2"
# Accepting the chooser lists the addons again, then stores; Escape ends the dialog as Close does.
check "session 1: the plug-in's log lines" lines_are "$log1" \
    "Brisken Addon" "Finding addons in" "You need to select the Brisken directory./addons/" "Project title:demo" \
    "bkDirSelect clicked" "Finding addons in" "$base/addons/" "Project title:demo" "Saving bkdir" \
    "No addons selected."
added="Added to demo: alpha, beta (4 files, 2 link options, 2 include directories)"
kept="Kept beta: alpha requires it"
check "session 2: the plug-in's log lines and notices" lines_are "$log2" \
    "Brisken Addon" "Finding addons in" "$base/addons/" "Project title:demo" \
    "OK clicked." "total 3" "Project title:demo" "Add addon: alpha" "Add addon: beta" \
    "Info[Brisken Addons]: $added" "Missing codec: alpha requires it" \
    "Brisken Addon" "Finding addons in" "$base/addons/" "Project title:demo" \
    "OK clicked." "total 3" "Project title:demo" "Info[Brisken Addons]: $kept"
# Before each OK the dialog said what the report then said.
check "session 2: after ticking alpha the dialog says \"$preview_alpha\"" \
    test "$preview_alpha" == "OK adds alpha, beta; missing codec (alpha requires it)"
check "session 2: after unticking beta the dialog says \"$preview_beta\"" \
    test "$preview_beta" == "OK keeps beta (alpha requires it)"
# Files come in as the install files name them, relative to the project; the link options go
# in front as one block (alpha's, then those of beta, which alpha requires), beta's macOS library
# is left out; include directories are appended; beta's files stay.
check "session 2: the saved project" project_is "$project" <<'CBP'
compiler option: -Wall
compiler option: -std=c++17
include dir: ../../../addons/gamma/src
include dir: ../../../addons/alpha/src
include dir: ../../../addons/beta/src
link option: -lpthread
link option: -lm
target Release compiler option: -O2
unit: ../../../addons/alpha/src/alpha.cpp
unit: ../../../addons/alpha/src/alpha.h
unit: ../../../addons/beta/src/beta.cpp
unit: ../../../addons/beta/src/beta.h
unit: ../../../addons/gamma/src/gamma.cpp
unit: ../../../addons/gamma/src/gamma.h
unit: main.cpp
CBP
check "session 2: the saved project builds and runs" project_builds "$project"
(( IDE_CHECKS_PASSED )) && failed=0
ide_verdict
