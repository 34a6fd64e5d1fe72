#!/bin/bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 20), starting
# from the seeds in fuzz/seeds, the generated production's files (build/production, when
# built) and the shared corpus beside the repository (when there). A finding fails the run
# and leaves its input in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DDEMO_FUZZ=ON -DDEMO_TESTS=OFF -DDEMO_BENCH=OFF >/dev/null
targets="${FUZZ_TARGETS:-bmp tga24 jpeg pcx tga8 palette scene3ds sync scene_description info_text particle_stream}"
cmake --build build-fuzz -j2 --target $(for t in $targets; do printf 'fuzz_%s ' "$t"; done) >/dev/null

# Seeds by the reader that takes them.
production=build/production
corpus=../shared/corpus
seed() { # target, files...
    local dir="build-fuzz/seeds/$1"
    shift
    mkdir -p "$dir"
    for f in "$@"; do [ -f "$f" ] && cp "$f" "$dir/" || true; done
}
shopt -s nullglob nocaseglob
seed bmp "$corpus"/images/*.bmp
seed tga24 "$production"/data/image/*.tga "$production"/data/dlg/font.tga "$corpus"/images/*rgb*.tga "$corpus"/images/tga_id_field.tga
seed tga8 "$production"/data/dlg/bck.tga "$corpus"/images/*_p_*.tga
seed jpeg "$production"/data/*/*.jpg "$corpus"/images/*.jpg
seed pcx "$corpus"/images/*.pcx
seed palette "$production"/data/palette/*.pal
seed scene3ds "$production"/data/*/*.3ds "$corpus"/3ds/*.3ds
seed sync "$production"/data/other/s[0-9]*
# The scene description target reads its first byte as the scene's mesh and camera counts.
mkdir -p build-fuzz/seeds/scene_description
for f in "$production"/data/*/dlg "$production"/data/3D/p[0-9]; do
    [ -f "$f" ] && { printf '\x0f'; cat "$f"; } >"build-fuzz/seeds/scene_description/$(basename "$f")"
done
seed info_text "$production"/corvane.nfo
seed particle_stream "$production"/data/other/sp[0-9]*
shopt -u nullglob nocaseglob

for t in $targets; do
    corpus_dir="build-fuzz/corpus/$t"
    # libFuzzer refuses to start on a missing folder: every target gets all three.
    mkdir -p "$corpus_dir" "build-fuzz/seeds/$t" "fuzz/seeds/$t"
    echo "fuzz $t: $seconds s"
    # Inputs up to 64 KiB: larger seeds are cut there, which keeps the 3DS target (scene
    # preparation is quadratic in the faces) and the picture targets quick.
    # Memory stays under half a gigabyte: a smaller quarantine, no allocation over 256 MiB.
    log="build-fuzz/fuzz_$t.log"
    (cd build-fuzz && ASAN_OPTIONS=quarantine_size_mb=32 ./fuzz/fuzz_"$t" -max_total_time="$seconds" -max_len=65536 \
        -rss_limit_mb=512 -malloc_limit_mb=256 \
        -print_final_stats=1 "corpus/$t" "seeds/$t" "../fuzz/seeds/$t" >"../$log" 2>&1) || true
    grep -E 'stat::number_of_executed_units|stat::new_units_added|DONE|ERROR|SUMMARY|Test unit written' "$log" || true
    # libFuzzer writes crash-*, leak-*, oom-* or timeout-* files on a finding.
    if ls build-fuzz/crash-* build-fuzz/leak-* build-fuzz/oom-* build-fuzz/timeout-* >/dev/null 2>&1; then
        echo "fuzz $t: finding" >&2
        exit 1
    fi
    # A run that never reached its end (a refused argument, a missing seed folder) is a failure
    # too, not a quiet pass.
    if ! grep -q 'DONE' "$log"; then
        echo "fuzz $t: did not run to its end (see $log)" >&2
        tail -5 "$log" >&2
        exit 1
    fi
done
