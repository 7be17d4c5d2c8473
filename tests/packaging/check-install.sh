#!/usr/bin/env bash
# cmake --install into a live prefix refreshes the desktop's MIME and desktop
# databases, so a file manager opens *.kvs and *.kvp with Sondrel at once;
# staged under DESTDIR (a package build) it leaves them to the package system.
# The installed copy then starts without writing in the user's folders.
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

# The installed copy's first start, its files found on XDG_DATA_DIRS, writes
# nothing in the user's folders: the desktop already opens both types with it.
mkdir -p "$work/home"
printf 'end\r\n' >"$work/end.kvs"
(cd "$work" && env -i PATH="$PATH" HOME="$work/home" XDG_DATA_DIRS="$work/live/share" QT_QPA_PLATFORM=offscreen \
   SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null "$work/live/bin/sondrel" "$work/end.kvs" 2>/dev/null)
for type in application/x-sondrel-script application/x-sondrel-preset; do
  [ "$(env -i PATH="$PATH" HOME="$work/home" XDG_DATA_DIRS="$work/live/share" xdg-mime query default "$type")" = \
    org.kelvo.Sondrel.desktop ]
done
if [ -n "$(find "$work/home" -mindepth 1 -print -quit)" ]; then
  echo "the installed copy wrote in the user's folders:"; find "$work/home" -mindepth 1; exit 1
fi

DESTDIR="$work/staged" cmake --install "$build" --prefix /usr >/dev/null
[ -f "$work/staged/usr/share/mime/packages/x-sondrel-script.xml" ]
[ ! -e "$work/staged/usr/share/mime/globs2" ]
[ ! -e "$work/staged/usr/share/applications/mimeinfo.cache" ]
echo "install ok"
