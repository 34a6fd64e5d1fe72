#!/bin/bash
# The release archive: made by CPack from the build, unpacked in a fresh folder, it holds the
# production's folder and plays there (headless, through part 1's opening into the city).
set -u
build="$1"
root=$(mktemp -d)
fail() { echo "package test: $*" >&2; rm -rf "$root"; exit 1; }
cpack --config "$build/CPackConfig.cmake" -B "$root/out" >"$root/cpack.log" 2>&1 || { cat "$root/cpack.log" >&2; fail "cpack failed"; }
archive=$(ls "$root"/out/demo-*.tar.gz 2>/dev/null | head -n1)
[ -n "$archive" ] || fail "no archive made"
mkdir "$root/fresh"
tar -xzf "$archive" -C "$root/fresh" || fail "cannot unpack $archive"
folder=$(ls -d "$root"/fresh/demo-* | head -n1)
for f in demo vantrel.mp3 corvane.nfo README.txt data/other/s0 data/dlg/dlg.3ds data/3D/p1.3ds; do
    [ -e "$folder/$f" ] || fail "the archive lacks $f"
done
extra=$(cd "$folder" && ls | grep -vxE 'demo|data|vantrel.mp3|corvane.nfo|README.txt')
[ -z "$extra" ] || fail "the archive holds more than the production: $extra"
# Started from elsewhere, it finds its data beside itself.
cd "$root" || fail "cannot enter $root"
"$folder/demo" --headless --autostart 0 --seconds 6 --fps 2 --capture "$root/shots" >"$root/run.log" 2>&1 ||
    { cat "$root/run.log" >&2; fail "the unpacked program failed"; }
[ "$(ls "$root/shots"/*.png | wc -l)" = 12 ] || fail "expected 12 pictures of 6 s at 2 a second"
# Headless runs repeat exactly: the unpacked program shows what the build's own shows.
"$build/production/demo" --headless --autostart 0 --seconds 6 --fps 2 --capture "$root/built" >/dev/null 2>&1 ||
    fail "the build's program failed"
for f in "$root"/built/*.png; do
    cmp -s "$f" "$root/shots/$(basename "$f")" || fail "$(basename "$f") differs from the build's own run"
done
size=$(stat -c %s "$archive")
rm -rf "$root"
echo "package test: $(basename "$archive") ($size bytes) unpacked and played"
