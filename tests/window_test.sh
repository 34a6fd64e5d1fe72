#!/bin/bash
# Opens the program's real window under a private X server, checks where it stands and how
# large it is, then presses Escape like a user and expects the program to end cleanly.
set -u
demo="$1"
demotool="$2"
fail() { echo "window test: $*" >&2; cleanup; exit 1; }
cleanup() {
    [ -n "${demo_pid:-}" ] && kill "$demo_pid" 2>/dev/null
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    [ -n "${root:-}" ] && rm -rf "$root"
}

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "window test: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

# A display number nobody uses.
for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do xdotool getmouselocation --display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
export DISPLAY="$display"
unset SDL_VIDEODRIVER SDL_AUDIODRIVER
# In a sanitizer build, the X, GL and D-Bus libraries behind SDL keep allocations to the end;
# the headless tests check the program's own memory.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

root=$(mktemp -d)
"$demotool" testdata "$root" || fail "cannot write the test data"
SDL_AUDIODRIVER=dummy "$demo" --data "$root/data" &
demo_pid=$!

window=""
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --pid "$demo_pid" 2>/dev/null | head -n1)
    [ -n "$window" ] && break
    kill -0 "$demo_pid" 2>/dev/null || fail "the program ended before its window appeared"
    sleep 0.1
done
[ -n "$window" ] || fail "no window appeared"

sleep 0.5
geometry=$(xdotool getwindowgeometry --shell "$window")
eval "$geometry"
[ "$X" = 200 ] && [ "$Y" = 200 ] || fail "window at ($X, $Y), expected (200, 200)"
[ "$WIDTH" = 512 ] && [ "$HEIGHT" = 384 ] || fail "window is $WIDTH x $HEIGHT, expected 512 x 384"

# The program must still be running frames (not waiting on a box) before it is asked to quit.
kill -0 "$demo_pid" 2>/dev/null || fail "the program ended on its own"
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key --window "$window" Escape
for _ in $(seq 50); do
    kill -0 "$demo_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$demo_pid" 2>/dev/null; then
    # Some servers drop keys sent to an unfocused window; press it on the focused one.
    xdotool key Escape
    sleep 2
fi
kill -0 "$demo_pid" 2>/dev/null && fail "Escape did not end the program"
wait "$demo_pid"
status=$?
demo_pid=""
[ "$status" = 0 ] || fail "exit code $status after Escape"
cleanup
echo "window test: window at (200, 200), 512 x 384; Escape quit with exit code 0"
