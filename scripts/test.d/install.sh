#!/usr/bin/env bash
# Check the desktop files and that an installed tree works on its own.
set -euo pipefail
cd "$(dirname "$0")/../.."

desktop-file-validate packaging/tervo42.desktop
appstreamcli validate --no-net --pedantic packaging/io.github.tervo42.tervo42.metainfo.xml

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install build --prefix "$prefix" >/dev/null

for f in bin/tervo42 bin/tervo42-batch share/applications/tervo42.desktop \
         share/metainfo/io.github.tervo42.tervo42.metainfo.xml \
         share/icons/hicolor/48x48/apps/tervo42.png share/icons/hicolor/256x256/apps/tervo42.png; do
  [ -e "$prefix/$f" ] || { echo "install: missing $f"; exit 1; }
done

"$prefix/bin/tervo42-batch" --help >/dev/null
out=$("$prefix/bin/tervo42-batch" 'A.B+/A.C')
echo "$out"
grep -qx 'A.B.C' <<<"$out"
grep -q '^OK: time = ' <<<"$out"
echo "install: 1 passed, 0 failed"
