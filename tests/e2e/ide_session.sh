# Drives the real Code::Blocks under a private Xvfb. Sourced by the end-to-end test and by the
# example runner; every wait is bounded and everything started here is stopped by ide_stop.
# shellcheck shell=bash

IDE_WORK=""        # scratch folder: HOME, logs
IDE_PID=""
XVFB_PID=""
IDE_HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

# Messages go to standard error, tagged with IDE_LOG_TAG (default e2e).
ide_log() { printf '%s\n' "${IDE_LOG_TAG:-e2e}: $*" >&2; }

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

ide_start_x() {
    local fd_file="$IDE_WORK/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fd_file" 2>/dev/null &
    XVFB_PID=$!
    wait_until 30 test -s "$fd_file" || { ide_log "Xvfb did not start"; return 1; }
    export DISPLAY=":$(head -n 1 "$fd_file")"
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

# ide_wait_ticks DIALOG PNG ADDONS_DIR [NAME...]: waits until the dialog's list shows exactly the
# named addons ticked (rows in the plug-in's order of ADDONS_DIR); the last picture of the dialog
# is kept as PNG. Says on standard error what the list shows.
ide_wait_ticks() {
    local win=$1 png=$2 dir=$3 shows; shift 3
    local deadline=$(( $(date +%s) + 20 ))
    until shows=$(python3 "$IDE_HERE/screen.py" ticks "$win" "$png" "$dir" "$@" 2>&1); do
        if (( $(date +%s) >= deadline )); then
            ide_log "the list shows: $shows; expected ticked: ${*:-none} (see $png)"
            return 1
        fi
        sleep 0.2
    done
    ide_log "the list shows: $shows"
}

# ide_toggle_addon DIALOG ADDONS_DIR NAME: clicks the check box of NAME's row where the list
# draws it, as a user would, then moves the pointer off the list (GTK draws a box under the
# pointer lighter). The click also selects the row.
ide_toggle_addon() {
    local win=$1 dir=$2 name=$3 xy
    ide_raise "$win"
    xy=$(python3 "$IDE_HERE/screen.py" box "$win" "$dir" "$name") \
        || { ide_log "no check box drawn for $name"; return 1; }
    ide_click "$win" "${xy% *}" "${xy#* }"
    xdotool mousemove --window "$win" 5 5
}

# ide_open_dir_picker DIALOG: clicks the location's "..." button (at (355, 35), 25x20) and waits
# for the folder chooser; prints its window id.
ide_open_dir_picker() {
    ide_click "$1" 367 45
    wait_until 30 has_window "^Select the Brisken directory$" \
        || { ide_log "the folder chooser did not open"; return 1; }
    find_window "^Select the Brisken directory$"
}

# ide_choose_folder PICKER PATH: chooses the folder PATH in the GTK folder chooser by typing it
# into the location field. PATH's last name must not begin another name in the same folder.
ide_choose_folder() {
    local picker=$1 path=${2%/}
    # On top, since its location field is read from screenshots.
    ide_raise "$picker"
    # With nothing stored the chooser opens on "Recent", which ignores a typed location; browse
    # home first, then open the location field.
    xdotool key --window "$picker" alt+Home ctrl+l
    xdotool type --window "$picker" "$path"
    # As soon as GTK has listed the parent folder it completes the last name inline with a
    # selected "/". Return on that completion may descend into the only subfolder and answer
    # with it, so wait until the completion is there, delete it, then confirm the typed folder.
    wait_until 10 python3 "$IDE_HERE/screen.py" entry-selection "$picker" yes \
        || { ide_log "the folder chooser did not complete $path"; return 1; }
    xdotool key --window "$picker" Delete
    wait_until 10 python3 "$IDE_HERE/screen.py" entry-selection "$picker" no \
        || { ide_log "the folder chooser kept a completion after $path"; return 1; }
    xdotool key --window "$picker" Return
    wait_until 30 has_no_window "^Select the Brisken directory$" \
        || { ide_log "the folder chooser did not close on $path"; return 1; }
}

# ide_dismiss_box TITLE_REGEX: answers a message box with Return and waits for it to go.
ide_dismiss_box() {
    local box
    box=$(find_window "$1")
    [[ -n "$box" ]] || { ide_log "no window matches $1"; return 1; }
    xdotool windowfocus --sync "$box"
    xdotool key --window "$box" Return
    wait_until 30 has_no_window "$1" || { ide_log "the box $1 did not close"; return 1; }
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

# A project file read with python3's xml.etree: "summary CBP" prints one line for each compiler
# option, include directory, link option, link library, library directory (project level first,
# then each target's) and unit, in file order; "changes OLD NEW" tells what differs between two.
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

def values(lines, label):
    return [line[len(label) + 2:] for line in lines if line.startswith(label + ": ")]

def changes(old_path, new_path):
    old, new = summary(old_path), summary(new_path)
    def block(title, items):
        for k, item in enumerate(items or ["(none)"]):
            print("  %-22s %s" % ("" if k else title, item))
    old_units, new_units = values(old, "unit"), values(new, "unit")
    block("files added:", [u for u in new_units if u not in old_units])
    block("files removed:", [u for u in old_units if u not in new_units])
    for label, title in (("link option", "link options"), ("include dir", "include dirs")):
        block(title + " before:", [" ".join(values(old, label))] if values(old, label) else [])
        block(title + " after:", [" ".join(values(new, label))] if values(new, label) else [])
    listed = ("unit: ", "link option: ", "include dir: ")
    other = ["removed " + line for line in old if line not in new and not line.startswith(listed)]
    other += ["added " + line for line in new if line not in old and not line.startswith(listed)]
    block("other settings:", other or ["unchanged"])

if sys.argv[1] == "summary":
    print("\n".join(summary(sys.argv[2])))
else:
    changes(sys.argv[2], sys.argv[3])
'
ide_cbp_summary() { python3 -c "$IDE_CBP_PY" summary "$1"; }
ide_cbp_changes() { python3 -c "$IDE_CBP_PY" changes "$1" "$2"; }

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
    IDE_PID=""; XVFB_PID=""
}
