# Drives the real Code::Blocks under a private Xvfb. Sourced by the end-to-end test and by the
# example runner; every wait is bounded and everything started here is stopped by ide_stop.
# shellcheck shell=bash

IDE_WORK=""        # scratch folder: HOME, logs
IDE_PID=""
XVFB_PID=""
BUS_PID=""
IDE_PREVIEW=""     # what the addon dialog said OK would do, as ide_toggle_and_confirm read it
IDE_HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# Messages go to standard error, tagged with IDE_LOG_TAG (default e2e).
ide_log() { printf '%s\n' "${IDE_LOG_TAG:-e2e}: $*" >&2; }

# A step that cannot go on: say which, keep a picture of the screen when there is one, stop.
fail() {
    ide_log "FAILED: $*"
    [[ -z ${DISPLAY:-} || -z $IDE_WORK ]] || ide_screenshot "$IDE_WORK/failure.png" 2>/dev/null || true
    echo "${IDE_LOG_TAG:-e2e}: 0 passed, 1 failed"
    exit 1
}
# check WHAT COMMAND...: a final check; names WHAT when COMMAND fails, and the run goes on.
IDE_CHECKS_PASSED=1
check() { local what=$1; shift; "$@" && return 0; ide_log "FAILED: $what"; IDE_CHECKS_PASSED=0; }
# The verdict of the checks: passed, or failed and stop.
ide_verdict() {
    (( IDE_CHECKS_PASSED )) || fail "${1:-see above}"
    echo "${IDE_LOG_TAG:-e2e}: 1 passed, 0 failed"
}

# wait_until TIMEOUT_SECONDS COMMAND...: polls COMMAND every 0.2 s until it succeeds.
wait_until() {
    local deadline=$(( $(date +%s) + $1 )); shift
    until "$@" >/dev/null 2>&1; do
        (( $(date +%s) < deadline )) || return 1
        sleep 0.2
    done
}

# Prints the id of the first visible window whose title matches the regex $1.
find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
has_window() { [[ -n "$(find_window "$1")" ]]; }

# ide_prepare WORK MODULE ZIP [BRISKEN_DIR]: a fresh HOME with the plug-in installed for this
# user, a first-run configuration that opens no question at start or quit, and optionally a
# stored Brisken location.
ide_prepare() {
    IDE_WORK=$1
    local module=$2 zip=$3 bk_dir=${4:-}
    export HOME="$IDE_WORK/home"
    unset XDG_CONFIG_HOME XDG_DATA_HOME
    mkdir -p "$HOME/.config/codeblocks" "$HOME/.local/share/codeblocks/plugins" \
             "$HOME/.local/share/codeblocks/scripts" "$IDE_WORK/logs"
    cp "$IDE_HERE/default.conf" "$HOME/.config/codeblocks/default.conf"
    if [[ -n "$bk_dir" ]]; then
        local entry="\t<brisken>\n\t\t<BK_DIR>\n\t\t\t<str><![CDATA[$bk_dir]]></str>\n\t\t</BK_DIR>\n\t</brisken>"
        sed -i "s|^</CodeBlocksConfig>|$entry\n</CodeBlocksConfig>|" "$HOME/.config/codeblocks/default.conf"
    fi
    cp "$module" "$HOME/.local/share/codeblocks/plugins/libBrisken.so"
    cp "$zip" "$HOME/.local/share/codeblocks/Brisken.zip"
    # A menu entry with an accelerator runs the tool plug-in without depending on menu layout.
    cat > "$HOME/.local/share/codeblocks/scripts/startup.script" <<'SCRIPT'
function RunBrisken()
{
    ExecuteToolPlugin(_T("Brisken"));
}
GetScriptingManager().RegisterScriptMenu(_T("Plugins/Run Brisken Addons\tCtrl+Alt+Shift+H"), _T("RunBrisken"), true);
SCRIPT
}

# A private display, and a private session bus on which the IDE's widgets tell their texts to
# the accessibility registry, as they tell a screen reader (ide_text reads them there).
ide_start_x() {
    local bus
    # shellcheck source=../with-display.sh
    source "$IDE_HERE/../with-display.sh"
    private_display || { ide_log "Xvfb did not start"; return 1; }
    XVFB_PID=$PRIVATE_DISPLAY_PID
    bus=$(dbus-daemon --session --fork --nosyslog --print-address=1 --print-pid=1 </dev/null 2>/dev/null) \
        || { ide_log "the session bus did not start"; return 1; }
    export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
    BUS_PID=${bus##*$'\n'}
}

# ide_text WINDOW_TITLE PREFIX: prints the first text shown in the window whose title is
# WINDOW_TITLE that starts with PREFIX, as the accessibility registry has it; fails when none does.
ide_text() {
    /usr/bin/python3 - "$1" "$2" <<'PY'
import sys, gi
gi.require_version("Atspi", "2.0")
from gi.repository import Atspi

def below(node, depth=0):
    for k in range(node.get_child_count() if depth < 40 else 0):
        child = node.get_child_at_index(k)
        if child is not None:
            yield child
            yield from below(child, depth + 1)

title, prefix = sys.argv[1], sys.argv[2]
for node in below(Atspi.get_desktop(0)):
    if node.get_role() == Atspi.Role.LABEL and (node.get_name() or "").startswith(prefix):
        window = node
        while window is not None and window.get_role() not in (Atspi.Role.DIALOG, Atspi.Role.FRAME):
            window = window.get_parent()
        if window is not None and window.get_name() == title:
            print(node.get_name())
            sys.exit(0)
sys.exit(1)
PY
}

# ide_start PROJECT [LOG_DIR]: starts the IDE on the project, logs into LOG_DIR (default
# $IDE_WORK/logs); waits for its window. A separate LOG_DIR keeps an earlier session's logs.
ide_start() {
    local project=$1 logs=${2:-$IDE_WORK/logs}
    mkdir -p "$logs"
    (cd "$logs" && exec codeblocks --no-splash-screen --multiple-instance --no-ipc \
        --log-to-file --debug-log-to-file "$project" >"$logs/stdout.txt" 2>&1) &
    IDE_PID=$!
    local name
    name=$(basename "$project" .cbp)
    wait_until 90 has_window "\\[$name\\] - Code::Blocks" \
        || { ide_log "the IDE window for [$name] did not appear"; return 1; }
}

# Runs the addon command and waits for the addon dialog; prints its window id.
ide_open_addon_dialog() {
    local main
    main=$(find_window " - Code::Blocks")
    xdotool windowfocus --sync "$main"
    xdotool key --window "$main" ctrl+alt+shift+h
    wait_until 30 has_window "^Brisken Addon Plugin$" || { ide_log "the addon dialog did not open"; return 1; }
    find_window "^Brisken Addon Plugin$"
}

# Without a window manager nothing restacks windows for us: when the "Error" box over the addon
# dialog closes, the main window ends up above the dialog, and clicks and screenshots then hit
# the main window. Raise the window before acting on it.
ide_raise() {
    xdotool windowraise "$1" && xdotool windowfocus --sync "$1"
}

# Clicks at client coordinates of a window. The pointer comes from elsewhere, as a user's would,
# so the button sees it enter even when it already rested there after an earlier click.
ide_click() {
    local win=$1 x=$2 y=$3
    ide_raise "$win"
    xdotool mousemove --window "$win" 5 5 mousemove --window "$win" "$x" "$y" click 1
}

has_no_window() { [[ -z "$(find_window "$1")" ]]; }

# Clicks at client coordinates of a window and waits for it to close.
ide_click_and_wait_closed() {
    local win=$1 x=$2 y=$3
    ide_click "$win" "$x" "$y"
    wait_until 30 has_no_window '^Brisken Addon Plugin$'
}

# ide_label_drawn DIALOG: the location's "..." button (at (355, 35), 25x20) shows its label: inside
# its border the picture holds ink far darker than the plain button face around it. A blank box
# has only the face's slight shading there. Also tells that the dialog has been drawn.
ide_label_drawn() {
    local spread
    spread=$(import -window "$1" -crop 15x10+360+40 +repage -colorspace Gray \
        -format '%[fx:maxima-minima]' info: 2>/dev/null) || return 1
    awk -v s="$spread" 'BEGIN { exit !(s > 0.3) }'
}

# ide_toggle_addons DIALOG NAME...: toggles each named addon's tick with the keyboard, as a
# keyboard user does: a click in the list's empty area (below its rows) gives it focus, typing
# the name finds its row and space toggles it. A pause between names starts a new search.
ide_toggle_addons() {
    local win=$1 name; shift
    ide_click "$win" 200 350
    for name in "$@"; do
        xdotool type --window "$win" --delay 60 -- "$name"
        xdotool key --window "$win" space
        sleep 1.2
    done
}

# ide_toggle_and_confirm NAME...: opens the addon dialog, waits until it is drawn, toggles the
# named addons with the keyboard, reads into IDE_PREVIEW what the dialog says OK will do, and
# presses "Add addons to project".
ide_toggle_and_confirm() {
    local dialog
    dialog=$(ide_open_addon_dialog) || { ide_log "the addon dialog did not open"; return 1; }
    wait_until 20 ide_label_drawn "$dialog" || { ide_log "the addon dialog is not drawn"; return 1; }
    ide_toggle_addons "$dialog" "$@" || return 1
    IDE_PREVIEW=$(ide_text "Brisken Addon Plugin" "OK ") || IDE_PREVIEW="(no preview)"
    ide_click_and_wait_closed "$dialog" 60 432 \
        || { ide_log "\"Add addons to project\" did not close the dialog"; return 1; }
}

# ide_open_dir_picker DIALOG: clicks the location's "..." button and waits for the folder
# chooser; prints its window id.
ide_open_dir_picker() {
    ide_click "$1" 367 45
    wait_until 30 has_window "^Select the Brisken directory$" \
        || { ide_log "the folder chooser did not open"; return 1; }
    find_window "^Select the Brisken directory$"
}

# ide_accept_picker PICKER: confirms the folder the chooser shows: ctrl+L opens its (empty)
# location field and Return then answers with the shown folder. A key that arrives before the
# field is ready is lost, so the pair is sent again while the chooser stays open.
ide_accept_picker() {
    local attempt
    for attempt in 1 2 3; do
        ide_raise "$1"
        xdotool key --window "$1" ctrl+l
        sleep 0.5
        xdotool key --window "$1" Return 2>/dev/null || true # the chooser closes on the press
        wait_until 10 has_no_window "^Select the Brisken directory$" && return 0
    done
    ide_log "the folder chooser did not close"
    return 1
}

ide_screenshot() { import -window root "$1"; }

# ide_save_all PROJECT: "Save everything" (ctrl+shift+s) in the main window; waits until the
# project file's content has changed.
ide_save_all() {
    local project=$1 main before
    before=$(sha256sum <"$project")
    main=$(find_window " - Code::Blocks")
    [[ -n "$main" ]] || { ide_log "no main window to save from"; return 1; }
    ide_raise "$main"
    xdotool key --window "$main" ctrl+shift+s
    # shellcheck disable=SC2016  # expanded by the inner bash
    wait_until 30 bash -c '[[ "$(sha256sum <"$1")" != "$2" ]]' _ "$project" "$before" \
        || { ide_log "$project was not written"; return 1; }
}

# A project file read with python3's xml.etree: one line for each compiler option, include directory, link option,
# link library, library directory (project level first, then each target's) and unit, in file order.
IDE_CBP_PY='
import sys, xml.etree.ElementTree as ET

SECTIONS = (("Compiler", (("option", "compiler option"), ("directory", "include dir"))),
            ("Linker", (("option", "link option"), ("library", "link library"),
                        ("directory", "library dir"))))

def summary(path):
    project = ET.parse(path).getroot().find("Project")
    lines = []
    def settings(node, prefix):
        for section, kinds in SECTIONS:
            for add in node.iterfind(section + "/Add"):
                lines.extend(prefix + label + ": " + add.get(attr) for attr, label in kinds
                             if attr in add.attrib)
    settings(project, "")
    for target in project.iterfind("Build/Target"):
        settings(target, "target " + target.get("title", "") + " ")
    lines.extend("unit: " + unit.get("filename") for unit in project.iterfind("Unit"))
    return lines

print("\n".join(summary(sys.argv[1])))
'
ide_cbp_summary() { python3 -c "$IDE_CBP_PY" "$1"; }

# Quits the IDE cleanly (its logs are complete only then); kills it if it does not go.
ide_quit() {
    [[ -n "$IDE_PID" ]] || return 0
    local main
    main=$(find_window " - Code::Blocks")
    if [[ -n "$main" ]]; then
        xdotool windowfocus --sync "$main" || true
        xdotool key --window "$main" ctrl+q || true
    fi
    if ! wait_until 60 bash -c "! kill -0 $IDE_PID"; then
        ide_log "the IDE did not quit; killing it"
        kill -9 "$IDE_PID" 2>/dev/null || true
    fi
    wait "$IDE_PID" 2>/dev/null || true
    IDE_PID=""
}

ide_stop() {
    if [[ -n "$IDE_PID" ]]; then kill -9 "$IDE_PID" 2>/dev/null || true; pkill -9 -P "$IDE_PID" 2>/dev/null || true; fi
    if [[ -n "$XVFB_PID" ]]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
    if [[ -n "$BUS_PID" ]]; then kill "$BUS_PID" 2>/dev/null || true; fi
    IDE_PID=""; XVFB_PID=""; BUS_PID=""
}
