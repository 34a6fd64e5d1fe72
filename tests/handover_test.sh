#!/bin/bash
# The whole production in virtual time, from the launcher's start to the end of the music:
# every part begins on the frame after the one on which the part before it saw its end (its
# sync event, or part 1's and part 2's times), within 0.15 s.
# usage: handover_test.sh DEMO DEMOTOOL PRODUCTION_DIR
set -uo pipefail
demo="$1" demotool="$2" production="$3"
data="$production/data"
bench=$("$demo" --bench --data "$data" 2>/dev/null) || { echo "demo --bench failed"; exit 1; }

# The time of event INDEX (or the last, with "last") of CHANNEL in entry 0 of FILE.
event() {
    "$demotool" sync "$data/$1" | awk -v ch="$2" -v want="$3" '
        $1 == "entry" && $2 == "0" { on = ($4 == ch ":"); next }
        $1 == "entry" { on = 0 }
        on { t[$1] = $2; n = $1 }
        END { i = (want == "last") ? n : want; if (i in t) print t[i]; else print "none" }'
}
began() { awk -v p="$1" '$1 == "part" && $2 == p { print $7 }' <<<"$bench"; }

status=0
check() { # part, the music time at which it may begin at the earliest, what ends the part before
    local part=$1 from=$2 why=$3 at
    at=$(began "$part")
    if [ -z "$at" ] || [ "$from" = none ]; then
        echo "FAIL part $part: never began (expected after $why at $from s)"
        status=1
        return
    fi
    if awk -v a="$at" -v f="$from" 'BEGIN { exit !(a >= f && a <= f + 0.15) }'; then
        echo "ok   part $part began at $at s ($why at $from s)"
    else
        echo "FAIL part $part began at $at s, expected within 0.15 s after $why at $from s"
        status=1
    fi
}
check 2 55 "part 1's 55 s"
check 3 84 "84 s since the music started"
check 4 "$(event other/s3 1 19)" "other/s3 channel 1 event 19"
check 5 "$(event other/s4 0 2)" "other/s4 channel 0 event 2"
check 6 "$(event other/s4 0 6)" "other/s4 channel 0 event 6"
check 7 "$(event other/s4 0 last)" "other/s4 channel 0's last event"
check 8 "$(event other/s7 0 4)" "other/s7 channel 0 event 4"
exit $status
