#!/bin/bash
# Full screen under a private X server, bare (as a kiosk has it) or with a window manager:
# the start button fills the screen and the picture sits letterboxed where the scale mode
# puts it, pixel for pixel the picture the screenshot key writes; F12 and Alt+Enter go to the
# window and back; Escape ends the program.
# usage: fullscreen_test.sh DEMO DEMOTOOL bare|wm [fit|integer]
set -u
. "$(dirname "$0")/x_session.sh"
demo="$1"
demotool="$2"
manager="$3"
scale="${4:-fit}"
skip=77
fail() { echo "full-screen test ($manager, $scale): $*" >&2; cleanup; exit 1; }
cleanup() {
    [ -n "${demo_pid:-}" ] && kill "$demo_pid" 2>/dev/null
    [ -n "${wm_pid:-}" ] && kill "$wm_pid" 2>/dev/null
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    [ -n "${root:-}" ] && rm -rf "$root"
}

for tool in Xvfb xdotool xwd xprop; do
    command -v "$tool" >/dev/null || { echo "full-screen test: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
if [ "$manager" = wm ] && ! command -v openbox >/dev/null; then
    echo "full-screen test: openbox is not installed; the case with a window manager is skipped"
    exit $skip
fi

start_xvfb 141 190 1280x1024x24
unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
root=$(mktemp -d)

if [ "$manager" = wm ]; then
    openbox >"$root/openbox.log" 2>&1 &
    wm_pid=$!
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
        sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" ||
        fail "openbox did not start on $display: $(kill -0 "$wm_pid" 2>/dev/null && echo running || echo ended); $(tail -n 3 "$root/openbox.log" | tr '\n' ' ')"
fi

"$demo" --dev --autostart 300 --shots "$root" --scale "$scale" &
demo_pid=$!
alive() { kill -0 "$demo_pid" 2>/dev/null || fail "the program ended: $*"; }
find_window

# Waits until the window stands at ($1, $2) with size $3 x $4.
# A window that no longer answers is looked for again, and a failure says what is there.
expect_geometry() {
    for _ in $(seq 150); do
        alive "$5"
        if geometry=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null); then
            eval "$geometry"
        else
            found=$(newest_window)
            [ -n "$found" ] && window=$found
        fi
        [ "${X:-}" = "$1" ] && [ "${Y:-}" = "$2" ] && [ "${WIDTH:-}" = "$3" ] && [ "${HEIGHT:-}" = "$4" ] && return 0
        sleep 0.1
    done
    fail "$5: window $window at (${X:-?}, ${Y:-?}), ${WIDTH:-?} x ${HEIGHT:-?}; expected ($1, $2), $3 x $4; the program's windows: $(xdotool search --pid "$demo_pid" 2>/dev/null | tr '\n' ' ')"
}
key() { xdotool key --window "$window" "$@"; }

expect_geometry 0 0 1280 1024 "after start"
sleep 2
alive "in full screen"
# Paused, the screen holds one picture: the screenshot key's and the screen's must agree.
key space
sleep 0.7
key F11
for _ in $(seq 100); do [ -s "$root/shot0001.png" ] && break; sleep 0.1; done
[ -s "$root/shot0001.png" ] || fail "F11 wrote no screenshot"
sleep 0.3
xwd -root -silent -out "$root/screen.xwd" || fail "cannot take a screenshot of the screen"
# The 512 x 384 screen's picture rows are 64 to 319. Fit: 2.5 times, the whole width, 32
# rows above and below; integer: twice, centred.
if [ "$scale" = integer ]; then rect="128 256 1024 512"; else rect="0 192 1280 640"; fi
result=$("$demotool" xwd "$root/screen.xwd" --match "$root/shot0001.png" $rect) || fail "cannot compare the pictures"
[ -n "${WINDOW_TEST_SHOTS:-}" ] && "$demotool" xwd "$root/screen.xwd" "$WINDOW_TEST_SHOTS/fullscreen_${manager}_$scale.png" >/dev/null
set -- $result
awk -v d="$2" -v o="$4" 'BEGIN { exit !(d < 1.5 && o < 1.0) }' ||
    fail "the screen does not show the picture at $rect ($result)"
# The paused picture is not black: the comparison means something.
bright=$("$demotool" xwd "$root/screen.xwd") || fail "cannot read the screenshot"
awk -v b="$bright" 'BEGIN { exit !(b > 0.5) }' || fail "the screen is black (brightness $bright)"
key space
key F12
expect_geometry 200 200 512 384 "after F12"
key alt+Return
expect_geometry 0 0 1280 1024 "after Alt+Enter"
key alt+Return
expect_geometry 200 200 512 384 "after the second Alt+Enter"
alive "after the toggles"
key Escape
for _ in $(seq 100); do
    kill -0 "$demo_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$demo_pid" 2>/dev/null && fail "Escape did not end the program"
wait "$demo_pid"
status=$?
demo_pid=""
[ "$status" = 0 ] || fail "exit code $status after Escape"
cleanup
echo "full-screen test ($manager, $scale): full screen at 1280 x 1024, the picture at $rect ($result); F12 and Alt+Enter toggled; exit code 0"
