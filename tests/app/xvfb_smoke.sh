#!/bin/bash
# The window smoke test: starts the program on a private X server, waits for its main window,
# takes a picture of the screen and checks that something was drawn.
#
#   xvfb_smoke.sh PROGRAM SCREEN_GRAB OUTDIR
#
# The program runs with its settings, configuration and simulated instrument all in OUTDIR, so
# it neither reads nor changes anything of the user's. The picture is OUTDIR/screen.png, the
# program's output OUTDIR/program.log. Exit status: 0 passed, 77 skipped (no Xvfb), else failed.
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 PROGRAM SCREEN_GRAB OUTDIR" >&2
    exit 2
fi
program=$1
screen_grab=$2
outdir=$3
title="KVR Tarvos"
timeout_ms=20000

if ! command -v Xvfb >/dev/null 2>&1; then
    echo "SKIP: Xvfb is not installed"
    exit 77
fi
for tool in "$program" "$screen_grab"; do
    if [ ! -x "$tool" ]; then
        echo "FAIL: $tool is not an executable file" >&2
        exit 1
    fi
done

mkdir -p "$outdir" || exit 1
outdir=$(cd "$outdir" && pwd) || exit 1
rm -f "$outdir/screen.png" "$outdir/program.log" "$outdir/xvfb.log" "$outdir/display"
printf '[Simulator]\nImplementation Loss=1.0\nState File=simulator-state.ini\n' >"$outdir/simulator.ini"

xvfb_pid=
program_pid=
grab_pid=

# Ends a process started here: politely, then for certain.
stop() {
    pid=$1
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null || return 0
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.2
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

cleanup() {
    stop "$grab_pid"
    grab_pid=
    stop "$program_pid"
    program_pid=
    stop "$xvfb_pid"
    xvfb_pid=
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

fail() {
    echo "FAIL: $*" >&2
    if [ -s "$outdir/program.log" ]; then
        echo "---- program output ($outdir/program.log)" >&2
        tail -n 40 "$outdir/program.log" >&2
    fi
    exit 1
}

# The server chooses a free display itself and writes its number once it accepts clients, so
# parallel runs never race for a number.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3>"$outdir/display" >"$outdir/xvfb.log" 2>&1 &
xvfb_pid=$!
display=
for _ in $(seq 1 100); do
    display=$(tr -d '\n' <"$outdir/display" 2>/dev/null)
    [ -n "$display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$outdir/xvfb.log" >&2; fail "Xvfb ended at start"; }
    sleep 0.1
done
[ -n "$display" ] || fail "Xvfb did not start within 10 s"
echo "Xvfb on :$display"

DISPLAY=":$display" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$outdir" KVR_SIM_CONFIG="$outdir/simulator.ini" \
    "$program" --settings "$outdir/smoke.ini" >"$outdir/program.log" 2>&1 &
program_pid=$!

DISPLAY=":$display" "$screen_grab" --title "$title" --timeout-ms "$timeout_ms" --out "$outdir/screen.png" &
grab_pid=$!
# A program that dies at start fails the test at once rather than after the whole wait.
while kill -0 "$grab_pid" 2>/dev/null; do
    if ! kill -0 "$program_pid" 2>/dev/null; then
        wait "$program_pid"
        code=$?
        program_pid=
        fail "the program ended with status $code before its window was taken"
    fi
    sleep 0.2
done
wait "$grab_pid"
status=$?
grab_pid=
[ "$status" -eq 0 ] || fail "no picture of a window titled \"$title\""

"$screen_grab" --check-not-blank "$outdir/screen.png" || fail "the screen is blank: $outdir/screen.png"
echo "PASS: $outdir/screen.png"
