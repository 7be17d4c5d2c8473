#!/usr/bin/env bash
# The README's screenshots, taken from the real program under a private X
# server (Xvfb), so that they show the window as it is built now:
#   docs/main-window.png  the main window as it starts (the Constant page)
#   docs/sweep-page.png   the same window on the Sweep page
# Nothing of the user's is read or written: the program runs with folders of
# its own and plays into SDL's disk driver.
#   scripts/screenshots.sh [OUTPUT-FOLDER [BUILD-FOLDER]]   (default: docs/ and build/)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/docs}"
build="${2:-$root/build}"
mkdir -p "$out"
for tool in Xvfb xdotool xwd xwdtopnm pnmtopng; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh" >&2; exit 1; }
done
[ -x "$build/bin/sondrel" ] || "$root/scripts/build.sh" --program

work="$(mktemp -d /tmp/sondrel-screenshots.XXXXXX)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display number of the server's own choosing, at the window's design
# density (120 pixels per inch), so that the pictures match a desktop's.
Xvfb -displayfd 3 -screen 0 800x600x24 -dpi 120 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 1 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"

mkdir -p "$work/home" "$work/config" "$work/data"
env -u WAYLAND_DISPLAY HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
  QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null "$build/bin/sondrel" 2>/dev/null &
pids+=($!)
window="$(timeout 30 xdotool search --sync --onlyvisible --name '^Sondrel' | head -n 1)"

# Takes the window once it has drawn itself.
shoot() {
  sleep 1
  xwd -silent -id "$window" | xwdtopnm 2>/dev/null | pnmtopng >"$out/$1"
  echo "$out/$1"
}
shoot main-window.png
# A click on the Sweep tab, found by its caption's place in the first shot's
# layout: right of the "Constant Tone" tab, in the row below the menu bar.
read -r width _ < <(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
xdotool mousemove --window "$window" $((width * 133 / 345)) $((width * 30 / 345)) click 1
shoot sweep-page.png
