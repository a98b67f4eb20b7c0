#!/usr/bin/env bash
# The demo: installs what is missing, builds, starts the local Firebird server,
# creates the demo HR database and its settings file when they are missing,
# and opens the window on it.
#
# On a machine without a display the window runs under Xvfb instead: the
# script clicks Connect and Run, saves screenshots of the run to demo/, and
# ends the program without committing, so the demo database stays as it was.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build -j2 --target dwindle dwindle-seed
bash scripts/make-demo-db.sh build

if [ -n "${DISPLAY:-}" ]; then
  echo "demo: click Connect, then Run; close the window to make the shrunk pictures permanent"
  exec build/dwindle
fi

mkdir -p demo
display=:97
Xvfb "$display" -screen 0 1280x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 1 50); do
  DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done

DISPLAY=$display build/dwindle &
app=$!
sleep 2
shot() { DISPLAY=$display import -window root -crop 975x362+192+114 "demo/$1.png"; echo "demo: saved demo/$1.png"; }
shot 1-start
# No window manager runs under Xvfb, so the window's client area sits at
# (192, 114): Connect is at (16, 8) in it and Run at (104, 8), 75 x 25 each.
DISPLAY=$display xdotool mousemove 245 134 click 1
sleep 2
shot 2-connected
DISPLAY=$display xdotool mousemove 333 134 click 1
sleep 3
shot 3-running
# The demo data ends with a row whose bytes are not JPEG data: the run stops
# there with the error box, as a user would meet it.
sleep 12
DISPLAY=$display import -window root demo/4-end.png
echo "demo: saved demo/4-end.png"
# Ended without the normal exit: nothing of this run is committed.
kill -KILL "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
