#!/usr/bin/env bash
# cmake --install into a live prefix refreshes the desktop's MIME and desktop
# databases, so a file manager opens *.kvs and *.kvp with Sondrel at once;
# staged under DESTDIR (a package build) it leaves them to the package system.
#   tests/packaging/check-install.sh BUILD-FOLDER
set -euo pipefail
build="$1"
for tool in update-mime-database update-desktop-database; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work="$(mktemp -d /tmp/sondrel-install.XXXXXX)"
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/live" >/dev/null
grep -q 'application/x-sondrel-script' "$work/live/share/mime/globs2"
grep -q 'application/x-sondrel-preset=org.kelvo.Sondrel.desktop' "$work/live/share/applications/mimeinfo.cache"

DESTDIR="$work/staged" cmake --install "$build" --prefix /usr >/dev/null
[ -f "$work/staged/usr/share/mime/packages/x-sondrel-script.xml" ]
[ ! -e "$work/staged/usr/share/mime/globs2" ]
[ ! -e "$work/staged/usr/share/applications/mimeinfo.cache" ]
echo "install ok"
