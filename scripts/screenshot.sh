#!/usr/bin/env bash
# Starts the real program under Xvfb, with an empty settings folder, and saves
# a picture of its window: scripts/screenshot.sh [picture.png]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --screenshot
out=$(realpath -m "${1:-docs/window.png}")
mkdir -p "$(dirname "$out")"

work=$(mktemp -d)
display=:$((100 + RANDOM % 800))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp &
xvfb=$!
cleanup() {
  [ "$app" = 0 ] || { kill "$app" 2>/dev/null; wait "$app" 2>/dev/null; } || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
app=0
trap cleanup EXIT

export DISPLAY=$display XDG_CONFIG_HOME=$work/config HOME=$work
mkdir -p "$XDG_CONFIG_HOME" "$HOME/Desktop"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
build/cellwinnow &
app=$!

window=""
for _ in $(seq 300); do
  window=$(xwininfo -root -tree 2>/dev/null | awk '/"Cellwinnow"/ {print $1; exit}')
  [ -n "$window" ] && break
  kill -0 "$app" 2>/dev/null || { echo "The program ended before showing its window" >&2; exit 1; }
  sleep 0.1
done
[ -n "$window" ] || { echo "No window appeared" >&2; exit 1; }
sleep 1 # let it paint
xwd -silent -id "$window" | /usr/bin/convert xwd:- "$out"
echo "Saved $out"
