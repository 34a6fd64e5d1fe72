#!/bin/bash
# Without its soundtrack the program shows the "global" box and ends with -1 before any frame.
set -u
demo="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/data/other"
# A valid sync file with no entries.
printf '\0\0\0\0' > "$root/data/other/s0"
"$demo" --headless --frames 5 --capture "$root/frames" --data "$root/data" 2> "$root/err"
status=$?
if [ "$status" != 255 ]; then echo "exit code $status, expected 255 (-1)"; cat "$root/err"; exit 1; fi
grep -qx "global: Can't load 'vantrel.mp3" "$root/err" || { echo "no box:"; cat "$root/err"; exit 1; }
[ -z "$(ls -A "$root/frames" 2>/dev/null)" ] || { echo "frames were presented"; exit 1; }
echo "missing soundtrack: box shown, exit code -1, no frame"
