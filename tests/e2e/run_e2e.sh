#!/usr/bin/env bash
# End to end in the real Code::Blocks: the plug-in loads and attaches, its command opens the
# addon dialog, Close leaves the project as it was.
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
project="$work/example/brisken/apps/demos/demo/demo.cbp"
before=$(sha256sum "$project")

ide_start_x
ide_start "$project"
dialog=$(ide_open_addon_dialog)
ide_screenshot "$work/dialog.png"
# "Close" sits at (320, 420) in the dialog's client area.
ide_click_and_wait_closed "$dialog" 345 432
ide_quit

log="$work/logs/codeblocks.log"
debug_log="$work/logs/codeblocks-debug.log"
check() {
    if "$@"; then return 0; fi
    ide_log "FAILED: $*"
    return 1
}
ok=1
check grep -qx "Brisken: loaded" "$debug_log" || ok=0
# The command logs only when the IDE has attached the plug-in.
check grep -qx "Brisken Addon" "$log" || ok=0
check grep -qx "No addons selected." "$log" || ok=0
# "No addons selected." follows "Brisken Addon", and nothing was confirmed.
check bash -c "grep -x -e 'Brisken Addon' -e 'No addons selected.' -e 'OK clicked.' '$log' | tr '\n' '|' | grep -qx 'Brisken Addon|No addons selected.|'" || ok=0
after=$(sha256sum "$project")
check test "$before" = "$after" || ok=0
if (( ok )); then
    failed=0
    echo "e2e: 1 passed, 0 failed"
else
    echo "e2e: 0 passed, 1 failed"
    tail -n 40 "$log" >&2 || true
    exit 1
fi
