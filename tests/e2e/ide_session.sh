# Drives the real Code::Blocks under a private Xvfb. Sourced by the end-to-end test and by the
# example runner; every wait is bounded and everything started here is stopped by ide_stop.
# shellcheck shell=bash

IDE_WORK=""        # scratch folder: HOME, logs
IDE_PID=""
XVFB_PID=""
IDE_HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

ide_log() { printf '%s\n' "e2e: $*" >&2; }

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

# ide_start PROJECT: starts the IDE on the project, logs into $IDE_WORK/logs; waits for its window.
ide_start() {
    local project=$1
    (cd "$IDE_WORK/logs" && exec codeblocks --no-splash-screen --multiple-instance --no-ipc \
        --log-to-file --debug-log-to-file "$project" >"$IDE_WORK/logs/stdout.txt" 2>&1) &
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

# Clicks at client coordinates of a window and waits for it to close.
ide_click_and_wait_closed() {
    local win=$1 x=$2 y=$3
    xdotool windowfocus --sync "$win"
    xdotool mousemove --window "$win" "$x" "$y" click 1
    wait_until 30 bash -c "! xdotool search --onlyvisible --name '^Brisken Addon Plugin$' >/dev/null 2>&1"
}

ide_screenshot() { import -window root "$1"; }

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
