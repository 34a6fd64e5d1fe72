#!/bin/bash
# The production played headless from the launcher to the end of its music (a fixed seed, the
# start button pressed after a second): it must end normally, with nothing on stderr (no
# warning, no box, no sanitizer report).
# usage: play_through_test.sh DEMO [SECONDS]
set -u
demo="$1"
seconds="${2:-290}"
err=$(mktemp)
trap 'rm -f "$err"' EXIT
start=$(date +%s)
"$demo" --headless --autostart 1000 --seed 1 --seconds "$seconds" 2>"$err"
status=$?
echo "played $seconds s of virtual time in $(($(date +%s) - start)) s, exit code $status"
if [ "$status" != 0 ]; then echo "exit code $status"; cat "$err"; exit 1; fi
if [ -s "$err" ]; then echo "stderr:"; head -20 "$err"; exit 1; fi
