#!/bin/bash
# The picture of the window program for the README: a sweep on the simulated receiver, then the
# program showing its document on a private X server, taken as docs/window.png.
#
#   docs/make_screenshot.sh BUILD_DIR
set -eu
build=$(cd "${1:-build}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work="$build/screenshot"
mkdir -p "$work"
printf '[Simulator]\nImplementation Loss=1.0\nState File=simulator-state.ini\n' >"$work/simulator.ini"
rm -f "$work/kvr-tarvos.ini" "$work/simulator-state.ini"

KVR_SIM_CONFIG="$work/simulator.ini" "$build/bin/tarvos" sweep --settings "$work/kvr-tarvos.ini" \
    --time-scale 0.002 --write-settings --out "$work/sweep.tvd" >/dev/null

Xvfb -displayfd 3 -screen 0 1300x720x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
program=
trap 'kill $program $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"

KVR_SIM_CONFIG="$work/simulator.ini" "$build/bin/kvr-tarvos" --settings "$work/kvr-tarvos.ini" \
    "$work/sweep.tvd" >"$work/program.log" 2>&1 &
program=$!
"$build/bin/screen_grab" --title "KVR Tarvos" --out "$here/window.png" --settle-ms 2500
"$build/bin/screen_grab" --check-not-blank "$here/window.png"
echo "docs/window.png written"
