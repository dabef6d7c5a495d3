#!/usr/bin/env bash
# The main job on the bundled example: installs what is missing, builds, installs the plug-in
# into a private HOME (your own IDE set-up is untouched) and starts Code::Blocks on the example
# project with the plug-in ready. Without a display it runs the IDE under Xvfb, opens the addon
# dialog, saves a screenshot of it, closes it and says where the screenshot is.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/out"

"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" >/dev/null

# shellcheck source=../tests/e2e/ide_session.sh
source "$root/tests/e2e/ide_session.sh"
rm -rf "$out"
mkdir -p "$out"
cp -r "$root/example" "$out/example"
# The plug-in remembers the example tree as its Brisken location.
ide_prepare "$out" "$root/build/libBrisken.so" "$root/build/Brisken.zip" "$out/example/brisken"
project="$out/example/brisken/apps/demos/demo/demo.cbp"

if [[ -n "${DISPLAY:-}" ]] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    echo "Starting Code::Blocks on $project"
    echo "Run the plug-in from Plugins > Brisken Addons (or Ctrl+Alt+Shift+H)."
    cd "$out/logs"
    exec codeblocks --no-splash-screen --multiple-instance --no-ipc "$project"
fi

trap ide_stop EXIT
ide_start_x
ide_start "$project"
dialog=$(ide_open_addon_dialog)
ide_screenshot "$out/addon-dialog.png"
ide_click_and_wait_closed "$dialog" 345 432
ide_quit
echo "The addon dialog opened in Code::Blocks; screenshot: $out/addon-dialog.png"
echo "IDE logs: $out/logs/codeblocks.log"
