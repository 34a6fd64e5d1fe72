#!/bin/bash
# Damages every file of the production in turn (removed, cut to half, its first 64 bytes
# replaced by random ones) and starts the show on it: every run must end with a message that
# names the file, by a refusal or by a warning and a normal end, and none by a signal or a
# sanitizer report.
# usage: damage_test.sh DEMO PRODUCTION_DIR [SECONDS]
set -uo pipefail
demo="$(realpath "$1")"
production="$2"
seconds="${3:-1.5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$production"/data "$work"/data
cp "$production"/vantrel.mp3 "$production"/corvane.nfo "$work"/
RANDOM=2126 # the same damage every run

files=$(cd "$work" && { find data -type f | sed 's|^data/||'; echo ../vantrel.mp3; echo ../corvane.nfo; } | sort)
failures=0 runs=0
for f in $files; do
    path="$work/data/$f"
    cp "$path" "$work/original"
    size=$(stat -c %s "$path")
    for damage in removed half garbled; do
        case $damage in
        removed) rm "$path" ;;
        half) head -c $((size / 2)) "$work/original" >"$path" ;;
        garbled)
            bytes=""
            for ((k = 0; k < 64; ++k)); do # RANDOM in this shell: a subshell would reseed it
                printf -v hex '\\x%02x' $((RANDOM % 256))
                bytes+=$hex
            done
            cp "$work/original" "$path"
            printf "$bytes" | dd of="$path" bs=64 count=1 conv=notrunc status=none
            ;;
        esac
        out=$(cd "$work" && ASAN_OPTIONS=detect_leaks=0 timeout 120 "$demo" --headless --autostart 100 --seconds "$seconds" \
            --data "$work/data" 2>&1)
        rc=$?
        runs=$((runs + 1))
        name="${f#../}"
        # Textures and palettes are named as their scene description names them, in their folder.
        # So are the pictures a part adds to the image list by name (part 5's photographs).
        case $f in texture/* | palette/* | image/imgP5*) name="${f#*/}" ;; esac
        why=""
        if [ $rc -ge 124 ] && [ $rc -ne 255 ]; then why="ended by a signal or timeout (exit $rc)"; fi
        if grep -qE 'AddressSanitizer|runtime error:|LeakSanitizer' <<<"$out"; then why="sanitizer report"; fi
        # A palette is 768 bytes of colours and nothing else: garbled colours are still a
        # palette, so that run must simply end normally.
        # Likewise a text cut just after a line end is a shorter text.
        undetectable=""
        [ $damage = garbled ] && [[ $f == *.pal ]] && undetectable="colours only: nothing to tell"
        [ $damage = half ] && [[ $f == *.nfo ]] && [ "$(tail -c 1 "$path" | od -An -c | tr -d ' ')" = '\n' ] &&
            undetectable="cut at a line end: a shorter text"
        if [ -z "$why" ] && [ -n "$undetectable" ]; then
            [ $rc -eq 0 ] || why="the run did not end normally (exit $rc)"
            [ -z "$why" ] && { echo "ok   $f $damage: exit $rc ($undetectable)"; cp "$work/original" "$path"; continue; }
        fi
        if [ -z "$why" ] && ! grep -qF "$name" <<<"$out"; then why="no message names the file (exit $rc)"; fi
        if [ -n "$why" ]; then
            echo "FAIL $f $damage: $why"
            sed 's/^/    /' <<<"$out" | head -5
            failures=$((failures + 1))
        else
            echo "ok   $f $damage: exit $rc: $(grep -F "$name" <<<"$out" | head -1)"
        fi
        cp "$work/original" "$path"
    done
done
echo "$runs runs, $failures failures"
[ $failures -eq 0 ]
