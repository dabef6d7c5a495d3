#!/usr/bin/env bash
# Installs a build into a scratch prefix laid out like ~/.local and checks where the files land,
# that the module installed is the stripped, hardened one, and that the IDE's package holds it.
#   tests/check_install.sh BUILD_DIR [hardened]
set -euo pipefail
build=$1
hardened=${2:-}
prefix=$(mktemp -d /tmp/brisken-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
for f in share/codeblocks/plugins/libBrisken.so share/codeblocks/Brisken.zip; do
    if [[ -f "$prefix/$f" ]]; then echo "installed $f"; else echo "missing $f"; status=1; fi
done
unzip -p "$prefix/share/codeblocks/Brisken.zip" manifest.xml | grep -q '<Plugin name="Brisken">' \
    || { echo "manifest names no plug-in Brisken"; status=1; }
module=$prefix/share/codeblocks/plugins/libBrisken.so
if [[ -f $module ]]; then
    bash "$(dirname "${BASH_SOURCE[0]}")/check_module.sh" "$module" shipped $hardened || status=1
    package=$(compgen -G "$build/libBrisken-cb*.cbplugin" | head -n 1) || true
    unzip -p "${package:-/nonexistent}" libBrisken.so | cmp -s - "$module" \
        || { echo "the .cbplugin (${package:-none}) holds another module than the one installed"; status=1; }
fi
exit $status
