# Shared by the tests that run the program's real window under a private X server. The
# sourcing script defines fail MESSAGE (clean up and exit) and, once the program runs,
# demo_pid and alive WHAT.

# start_xvfb FIRST LAST SIZE: Xvfb on the first free display number from FIRST to LAST, a
# screen of SIZE (1024x768x24); sets display, xvfb_pid and DISPLAY. Without -noreset the
# server resets each time its last client leaves, and a client that connects during the
# reset (the window manager or the program, right after the probe) is refused.
start_xvfb() {
    display=""
    for n in $(seq "$1" "$2"); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=":$n"; break; }
    done
    [ -n "$display" ] || fail "no free display number from :$1 to :$2"
    Xvfb "$display" -screen 0 "$3" -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        DISPLAY="$display" xdotool getmouselocation >/dev/null 2>&1 && break
        sleep 0.1
    done
    DISPLAY="$display" xdotool getmouselocation >/dev/null 2>&1 || fail "Xvfb did not start on $display"
    export DISPLAY="$display"
}

# The newest visible window of the program, if any.
newest_window() {
    xdotool search --onlyvisible --pid "$demo_pid" 2>/dev/null | sort -n | tail -n1
}

# Sets window to the program's window once it has stayed the same for a second: while the
# program starts, its renderer may replace the first window with one of another visual (a
# new window id).
find_window() {
    window=""
    local last="" same=0 found
    for _ in $(seq 200); do
        found=$(newest_window)
        if [ -n "$found" ] && [ "$found" = "$last" ] && xdotool getwindowgeometry "$found" >/dev/null 2>&1; then
            same=$((same + 1))
            [ "$same" -ge 10 ] && { window=$found; return 0; }
        else
            same=0
        fi
        last=$found
        alive "before its window appeared"
        sleep 0.1
    done
    fail "no window appeared (last seen: ${last:-none})"
}
