#!/usr/bin/env bash
# The README's screenshots can be made again from the program as built:
# the script takes both pictures, window-sized and different from each other.
#   tests/docs/check-screenshots.sh BUILD-FOLDER
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$1"
for tool in Xvfb xdotool xwd xwdtopnm pnmtopng; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
work="$(mktemp -d /tmp/sondrel-shots.XXXXXX)"
trap 'rm -rf "$work"' EXIT
"$root/scripts/screenshots.sh" "$work" "$build" >/dev/null
for shot in main-window sweep-page; do
  # The PNG signature, then the header chunk's width and height: a window's.
  read -r width height < <(od -An -tu4 --endian=big -j16 -N8 "$work/$shot.png")
  [ "$(head -c 4 "$work/$shot.png" | od -An -tx1 | tr -d ' ')" = 89504e47 ] || { echo "$shot.png is no PNG"; exit 1; }
  [ "$width" -ge 200 ] && [ "$height" -ge 150 ] || { echo "$shot.png is $width x $height"; exit 1; }
done
! cmp -s "$work/main-window.png" "$work/sweep-page.png" || { echo "the click did not turn the page"; exit 1; }
echo "screenshots ok"
