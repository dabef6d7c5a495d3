#!/usr/bin/env bash
# The main job on the bundled example: installs what is missing, builds, installs the plug-in
# into a private HOME (your own IDE set-up is untouched) and starts Code::Blocks on the example
# project with the plug-in ready. With a usable display the IDE stays open for you. Without one
# it does the plug-in's whole job under Xvfb, with the keyboard as a user would: opens the addon
# dialog, ticks alpha (which requires beta) beside gamma (which the project uses), saves a
# screenshot of the dialog, confirms, saves a screenshot of the IDE's notice of what changed,
# saves the project, quits and prints the plug-in's report and what changed in the project file.
# BRISKEN_BUILD_DIR chooses the build folder (default: build).
# BRISKEN_IDE=25.03 runs it in Code::Blocks 25.03 instead, inside the Debian 13 root filesystem
# (scripts/in-trixie.sh, as root; there without a display) with the build folder build-trixie.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [[ "${BRISKEN_IDE:-}" == 25.03 ]]; then
    exec "$root/scripts/in-trixie.sh" env BRISKEN_IDE= \
        BRISKEN_BUILD_DIR="${BRISKEN_BUILD_DIR:-$root/build-trixie}" bash "$root/scripts/run-example.sh"
fi
out="$root/out"
build_dir=${BRISKEN_BUILD_DIR:-"$root/build"}

"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$build_dir" >/dev/null

# shellcheck source=../tests/e2e/ide_session.sh
source "$root/tests/e2e/ide_session.sh"
export IDE_LOG_TAG=run-example
rm -rf "$out"
mkdir -p "$out"
cp -r "$root/example" "$out/example"
# The plug-in remembers the example tree as its Brisken location.
ide_prepare "$out" "$build_dir/libBrisken.so" "$build_dir/Brisken.zip" "$out/example/brisken"
project="$out/example/brisken/apps/demos/demo/demo.cbp"

if [[ -n "${DISPLAY:-}" ]] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    echo "Starting Code::Blocks on $project"
    echo "Run the plug-in from Plugins > Brisken Addons (or Ctrl+Alt+Shift+H)."
    cd "$out/logs"
    exec codeblocks --no-splash-screen --multiple-instance --no-ipc "$project"
fi

shot="$out/addon-dialog.png"
notice="$out/notice.png"
log="$out/logs/codeblocks.log"
die() {
    ide_log "FAILED: $*"
    ide_screenshot "$out/failure.png" 2>/dev/null || true
    ide_log "screen: $out/failure.png, IDE logs: $out/logs/"
    exit 1
}
# The IDE's notice slides in at the screen's bottom right corner, on black where no window is:
# it is there once that corner is light and has stopped moving.
notice_shown() {
    local before after
    before=$(import -window root -crop 480x100+800+924 +repage -format '%#' info:)
    sleep 0.3
    after=$(import -window root -crop 480x100+800+924 +repage -format '%#' info:)
    [[ "$before" == "$after" ]] && awk -v m="$(import -window root -crop 40x10+1230+1010 +repage \
        -colorspace Gray -format '%[fx:mean]' info:)" 'BEGIN { exit !(m > 0.5) }'
}
# What differs between two project files: the files added and removed, the link options and include directories
# before and after, and whether any other setting changed.
show_changes() {
    python3 - <(ide_cbp_summary "$1") <(ide_cbp_summary "$2") <<'PY'
import sys
old, new = (open(path).read().splitlines() for path in sys.argv[1:3])
def values(lines, label):
    return [line[len(label) + 2:] for line in lines if line.startswith(label + ": ")]
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
PY
}
trap ide_stop EXIT
cp "$project" "$out/demo.cbp.before"
ide_start_x || die "Xvfb did not start"
ide_start "$project" || die "Code::Blocks did not start"
dialog=$(ide_open_addon_dialog) || die "the addon dialog did not open"
wait_until 20 ide_label_drawn "$dialog" || die "the addon dialog is not drawn"
ide_toggle_addons "$dialog" alpha || die "cannot tick alpha"
preview=$(ide_text "Brisken Addon Plugin" "OK ") || preview="(nothing)"
import -window "$dialog" "$shot" || die "cannot take a screenshot of the dialog"
ide_click_and_wait_closed "$dialog" 60 432 || die "\"Add addons to project\" did not close the dialog"
if wait_until 15 notice_shown; then
    import -window root -crop 760x330+520+694 +repage "$notice"
else
    ide_log "the notice did not show"
    notice="(none)"
fi
ide_save_all "$project" || die "\"Save everything\" did not write the project"
ide_quit

echo "Ticked alpha beside gamma; before OK the dialog said: $preview"
echo "Confirmed; the plug-in reported:"
sed -n -e '/^Add addon: /p' -e 's/^Info\[Brisken Addons\]: //p' -e '/^Kept /p' -e '/^Removed from /p' "$log" | sed 's/^/  /' | grep . \
    || echo "  (no report)"
echo "Changes in $project:"
show_changes "$out/demo.cbp.before" "$project"
echo "Screenshot of the dialog (after ticking): $shot"
echo "Screenshot of the notice: $notice"
echo "IDE log: $log"
