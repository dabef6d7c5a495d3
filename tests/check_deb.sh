#!/usr/bin/env bash
# The plug-in's Debian package on this system's Code::Blocks: this system's lintian finds no
# error and no warning in it (its info, pedantic and experimental tags are printed, not failed
# on); its changelog's newest entry is for its version; dpkg installs it; the real IDE
# loads it from the system plug-in folder (the user's holds none); alpha ticked with the keyboard
# in its dialog is added with beta, reported, and the project is saved with alpha's files;
# dpkg -r removes every file the package installed. The package built for another Code::Blocks
# release is refused by dpkg through its dependencies and leaves no file behind.
#   check_deb.sh DEB OTHER_DEB EXAMPLE_DIR
# Needs root and lintian. A system-wide plug-in loads in every IDE started meanwhile, so run it
# alone; the package is removed again on every exit path.
set -euo pipefail
deb=$(realpath "$1"); other=$(realpath "$2"); example=$(realpath "$3")
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=e2e/ide_session.sh
source "$here/e2e/ide_session.sh"
export IDE_LOG_TAG=deb
pkg=$(dpkg-deb -f "$deb" Package)

state() { dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || echo not-installed; }
(( EUID == 0 )) || fail "dpkg needs root"
[[ "$(state)" == not-installed ]] || fail "$pkg is on this system already ($(state)); remove it first"

work=$(mktemp -d /tmp/brisken-deb-XXXXXX)
finish() {
    ide_stop
    [[ "$(state)" == not-installed ]] || dpkg --purge "$pkg" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap finish EXIT

is_file() { [[ -f "$1" ]]; }
module=/usr/lib/codeblocks/plugins/libBrisken.so
zip=/usr/share/codeblocks/Brisken.zip
changelog=/usr/share/doc/$pkg/changelog.gz
copyright=/usr/share/doc/$pkg/copyright
version=$(dpkg-deb -f "$deb" Version)

# --allow-root: lintian refuses root, or warns, without it. --fail-on makes a warning fail too.
lint() {
    lintian --allow-root --fail-on error,warning --display-info --pedantic --display-experimental \
        "$deb" >"$work/lintian.txt" 2>&1
}
check "lintian finds no error and no warning in $deb" lint
sed 's/^/  lintian: /' "$work/lintian.txt"
# Read from the .deb: a dpkg set to leave out /usr/share/doc (the Debian 13 root) skips it.
top=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ".$changelog" 2>/dev/null | gzip -dc 2>/dev/null |
      sed -n 1p) || true
check "the changelog's newest entry is for $pkg $version" \
    test "${top%%)*}" == "$pkg ($version"

dpkg -i "$deb" >"$work/dpkg-i.txt" 2>&1 || { cat "$work/dpkg-i.txt" >&2; fail "dpkg -i $deb"; }
mapfile -t files < <(dpkg-query -L "$pkg" | while read -r path; do [[ -d "$path" ]] || echo "$path"; done)
check "$pkg installs $module, $zip, $changelog and $copyright, nothing else" \
    test "$(printf '%s\n' "${files[@]}" | sort | tr '\n' ' ')" == "$module $zip $changelog $copyright "
check "$module is a file" is_file "$module"
check "$zip is a file" is_file "$zip"

# The user's folders hold no plug-in: the IDE can only find the system's.
cp -r "$example" "$work/example"
ide_prepare "$work" "$module" "$zip" "$work/example/brisken"
rm "$HOME/.local/share/codeblocks/plugins/libBrisken.so" "$HOME/.local/share/codeblocks/Brisken.zip"
project="$work/example/brisken/apps/demos/demo/demo.cbp"
ide_start_x || fail "Xvfb did not start"
ide_start "$project" || fail "the IDE did not start"
ide_toggle_and_confirm alpha || fail "ticking alpha in the system plug-in's dialog"
ide_save_all "$project" || fail "\"Save everything\" did not write the project"
ide_quit
check "the IDE log names alpha and beta as added" \
    test "$(grep -x 'Add addon: .*' "$work/logs/codeblocks.log" | tr '\n' '|')" == "Add addon: alpha|Add addon: beta|"
check "the plug-in reports what it added" grep -qx \
    'Info\[Brisken Addons\]: Added to demo: alpha, beta (4 files, 2 link options, 2 include directories)' \
    "$work/logs/codeblocks.log"
check "the saved project holds alpha's source" \
    grep -qx "unit: ../../../addons/alpha/src/alpha.cpp" <(ide_cbp_summary "$project")

dpkg -r "$pkg" >"$work/dpkg-r.txt" 2>&1 || { cat "$work/dpkg-r.txt" >&2; fail "dpkg -r $pkg"; }
check "$pkg is gone from dpkg's database" test "$(state)" == not-installed
for path in "${files[@]}"; do
    check "dpkg -r removes $path" test ! -e "$path"
done

# The other release's package: dpkg refuses to unpack it (it breaks this codeblocks).
if dpkg -i "$other" >"$work/dpkg-other.txt" 2>&1; then
    check "dpkg -i $other should be refused" false
else
    check "dpkg refuses $other for its dependency on another codeblocks" \
        grep -q "breaks codeblocks" "$work/dpkg-other.txt"
fi
check "the refused package is not installed" test "$(state)" == not-installed
check "the refused package left no module" test ! -e "$module"
check "the refused package left no resource archive" test ! -e "$zip"
(( IDE_CHECKS_PASSED )) || sed 's/^/  dpkg: /' "$work/dpkg-other.txt" >&2
ide_verdict
