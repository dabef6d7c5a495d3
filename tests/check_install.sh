#!/usr/bin/env bash
# Installs a build into a scratch prefix laid out like ~/.local and checks where the files land.
set -euo pipefail
build=$1
prefix=$(mktemp -d /tmp/brisken-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
status=0
for f in share/codeblocks/plugins/libBrisken.so share/codeblocks/Brisken.zip; do
    if [[ -f "$prefix/$f" ]]; then echo "installed $f"; else echo "missing $f"; status=1; fi
done
unzip -p "$prefix/share/codeblocks/Brisken.zip" manifest.xml | grep -q '<Plugin name="Brisken">' \
    || { echo "manifest names no plug-in Brisken"; status=1; }
exit $status
