#!/usr/bin/env bash
# End to end in the real Code::Blocks: the plug-in loads and attaches, its command opens the
# addon dialog; the location is chosen in the native GTK folder chooser (a wrong folder is
# refused with a message, the base folder is accepted and stored); the rebuilt list ticks the
# addon the project uses; after a restart the stored location is used again; Close leaves the
# project as it was. A third session ticks alpha (beta comes in as its requirement), unticks
# gamma, confirms, saves everything and quits: the saved project file holds exactly alpha's and
# beta's files, their link options and include directories, and no more gamma file.
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

# A step that cannot go on: say which, keep a picture of the screen, stop.
fail() {
    ide_log "FAILED: $*"
    ide_screenshot "$work/failure.png" 2>/dev/null || true
    echo "e2e: 0 passed, 1 failed"
    exit 1
}

ide_prepare "$work" "$module" "$zip"
cp -r "$example" "$work/example"
base="$work/example/brisken"
refused="$base/apps"
project="$base/apps/demos/demo/demo.cbp"
addons=$(python3 "$here/screen.py" addons "$base/addons")
addon_count=$(wc -l <<<"$addons")
(( addon_count == 3 )) || fail "the example should hold 3 addons, it holds: $addons"
before=$(sha256sum "$project")
conf="$HOME/.config/codeblocks/default.conf"

ticks() { python3 "$here/screen.py" ticks "$@"; }
rows_shown() { python3 "$here/screen.py" list-rows "$1" "$2"; }
# After a failed wait: keep the picture and say what the list shows.
show_rows() { ticks "$1" "$2" "$base/addons" gamma >&2 || true; }

# gamma_alone_ticked SESSION: the dialog lists every addon of the example, only gamma (the addon
# the project uses) is ticked on screen.
gamma_alone_ticked() {
    local session=$1 png="$work/session$1.png"
    ide_raise "$dialog" || fail "cannot raise the addon dialog"
    wait_until 30 rows_shown "$dialog" "$addon_count" \
        || { show_rows "$dialog" "$png"; fail "session $session: the list does not show $addon_count rows"; }
    ticks "$dialog" "$png" "$base/addons" gamma || fail "session $session: only gamma should be ticked (see $png)"
}
gamma_alone_ticked_then_close() {
    gamma_alone_ticked "$1"
    ide_click_and_wait_closed "$dialog" 345 432 || fail "session $1: Close did not close the dialog"
}

# check WHAT COMMAND...: a final check; names WHAT when COMMAND fails, and the run goes on.
check() {
    local what=$1; shift
    if "$@"; then return 0; fi
    ide_log "FAILED: $what"
    return 1
}
# The plug-in's own lines of a codeblocks.log, in order, joined by "|".
plugin_lines() {
    grep -x -e 'Brisken Addon' -e 'Finding addons in' -e '.*/addons/' -e 'Project title:.*' \
        -e 'bkDirSelect clicked' -e 'Saving bkdir' -e 'No addons selected.' -e 'OK clicked.' \
        -e 'total [0-9]*' -e 'Add addon: .*' -e 'Brisken Addon stopped.*' "$1" | tr '\n' '|'
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
# The value stored under <brisken><BK_DIR> (key names are case-insensitive); whether no value in
# the file is exactly the given path.
stored_location() {
    python3 - "$conf" <<'PY'
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
for ns in root:
    if ns.tag.lower() != "brisken":
        continue
    for key in ns:
        if key.tag.lower() == "bk_dir":
            print("".join(key.itertext()).strip())
PY
}
stored_is() {
    local stored
    stored=$(stored_location)
    [[ "$stored" == "$1" ]] && return 0
    ide_log "default.conf: <brisken><BK_DIR> is '$stored', expected '$1'"
    return 1
}
conf_lacks_value() {
    python3 - "$conf" "$1" <<'PY'
import sys, xml.etree.ElementTree as ET
values = ("".join(e.itertext()).strip() for e in ET.parse(sys.argv[1]).getroot().iter())
sys.exit(1 if sys.argv[2] in values else 0)
PY
}

# project_is CBP: the project file's settings and units, one a line as ide_cbp_summary prints
# them, are exactly the lines read from standard input: in that order, each once, no other.
project_is() {
    local got
    got=$(ide_cbp_summary "$1") || { ide_log "$1 cannot be read as a project file"; return 1; }
    diff -u --label expected --label "$1" - <(printf '%s\n' "$got") >&2
}

ok=1
ide_start_x || fail "Xvfb did not start"

# Session 1: nothing stored yet.
ide_start "$project" "$work/logs-1" || fail "session 1: the IDE did not start"
dialog=$(ide_open_addon_dialog) || fail "session 1: the addon dialog did not open"
ide_raise "$dialog" || fail "cannot raise the addon dialog"
# Without a location the list is empty; the frame being found shows the dialog is drawn.
wait_until 10 rows_shown "$dialog" 0 \
    || { show_rows "$dialog" "$work/session1-start.png"; fail "session 1: the list is not drawn empty before a location is chosen"; }

picker=$(ide_open_dir_picker "$dialog") || fail "session 1: \"...\" did not open the folder chooser"
ide_choose_folder "$picker" "$refused" || fail "session 1: choosing $refused in the folder chooser"
wait_until 30 has_window "^Error$" || fail "session 1: no \"Error\" box for $refused"
ide_dismiss_box "^Error$" || fail "session 1: the \"Error\" box did not close"

picker=$(ide_open_dir_picker "$dialog") || fail "session 1: \"...\" did not open the folder chooser again"
ide_choose_folder "$picker" "$base" || fail "session 1: choosing $base in the folder chooser"
has_no_window "^Error$" || fail "session 1: an \"Error\" box for $base"
gamma_alone_ticked_then_close 1
ide_quit
# The IDE writes its configuration at quit: the accepted folder is stored, the refused one nowhere.
check "session 1: the accepted location is stored" stored_is "$base" || ok=0
check "session 1: the refused location is not stored" conf_lacks_value "$refused" || ok=0

# Session 2: a restart with the same HOME uses the stored location at once.
ide_start "$project" "$work/logs-2" || fail "session 2: the IDE did not start"
dialog=$(ide_open_addon_dialog) || fail "session 2: the addon dialog did not open"
gamma_alone_ticked_then_close 2
ide_quit
after=$(sha256sum "$project")
check "sessions 1 and 2: the project file is unchanged" test "$before" = "$after" || ok=0

# Session 3: alpha is ticked, not beta (alpha requires it); gamma, which the project uses, is
# unticked; the change is confirmed, saved and the IDE quits.
ide_start "$project" "$work/logs-3" || fail "session 3: the IDE did not start"
dialog=$(ide_open_addon_dialog) || fail "session 3: the addon dialog did not open"
gamma_alone_ticked 3
ide_toggle_addon "$dialog" "$base/addons" alpha || fail "session 3: cannot click alpha's check box"
ide_wait_ticks "$dialog" "$work/session3-alpha.png" "$base/addons" alpha gamma \
    || fail "session 3: a click on alpha's check box did not tick it"
ide_toggle_addon "$dialog" "$base/addons" gamma || fail "session 3: cannot click gamma's check box"
ide_wait_ticks "$dialog" "$work/session3-confirmed.png" "$base/addons" alpha \
    || fail "session 3: a click on gamma's check box did not untick it"
ide_click_and_wait_closed "$dialog" 60 432 || fail "session 3: \"Add addons to project\" did not close the dialog"
ide_save_all "$project" || fail "session 3: \"Save everything\" did not write the project"
ide_quit

log1="$work/logs-1/codeblocks.log"
log2="$work/logs-2/codeblocks.log"
log3="$work/logs-3/codeblocks.log"
check "the plug-in is loaded" grep -qx "Brisken: loaded" "$work/logs-1/codeblocks-debug.log" || ok=0
# The refused pick logs only its click; the accepted one rebuilds the list, then stores.
check "session 1: the plug-in's log lines" lines_are "$log1" \
    "Brisken Addon" "Finding addons in" "You need to select the Brisken directory./addons/" "Project title:demo" \
    "bkDirSelect clicked" \
    "bkDirSelect clicked" "Finding addons in" "$base/addons/" "Project title:demo" "Saving bkdir" \
    "No addons selected." || ok=0
check "session 2: the plug-in's log lines" lines_are "$log2" \
    "Brisken Addon" "Finding addons in" "$base/addons/" "Project title:demo" "No addons selected." || ok=0
check "session 2: the location is still stored" stored_is "$base" || ok=0
# Confirming lists the addons again (the project's title), then adds alpha and, as its
# requirement, beta: each once.
check "session 3: the plug-in's log lines" lines_are "$log3" \
    "Brisken Addon" "Finding addons in" "$base/addons/" "Project title:demo" \
    "OK clicked." "total 3" "Project title:demo" "Add addon: alpha" "Add addon: beta" || ok=0
# Files come in as the install files name them, relative to the project; each addon's link
# options go in front (alpha's first, then beta's in front of it), beta's macOS library is left
# out; include directories are appended and gamma's stays (removing takes only files).
check "session 3: the saved project" project_is "$project" <<'CBP' || ok=0
compiler option: -Wall
compiler option: -std=c++17
include dir: ../../../addons/gamma/src
include dir: ../../../addons/alpha/src
include dir: ../../../addons/beta/src
link option: -lm
link option: -lpthread
target Release compiler option: -O2
unit: ../../../addons/alpha/src/alpha.cpp
unit: ../../../addons/alpha/src/alpha.h
unit: ../../../addons/beta/src/beta.cpp
unit: ../../../addons/beta/src/beta.h
unit: main.cpp
CBP
if (( ok )); then
    failed=0
    echo "e2e: 1 passed, 0 failed"
else
    echo "e2e: 0 passed, 1 failed"
    exit 1
fi
