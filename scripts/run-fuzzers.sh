#!/bin/bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 20), starting
# from the seeds in fuzz/seeds. A finding fails the run and leaves its input in build-fuzz/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DDEMO_FUZZ=ON -DDEMO_TESTS=OFF -DDEMO_BENCH=OFF >/dev/null
targets="bmp tga24 jpeg pcx tga8 palette scene3ds particle_stream"
cmake --build build-fuzz -j2 --target $(for t in $targets; do printf 'fuzz_%s ' "$t"; done) >/dev/null
for t in $targets; do
    corpus="build-fuzz/corpus/$t"
    mkdir -p "$corpus"
    echo "fuzz $t: $seconds s"
    (cd build-fuzz && ./fuzz/fuzz_"$t" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 \
        "corpus/$t" "../fuzz/seeds/$t" 2>&1 | grep -E 'stat::number_of_executed_units|ERROR|SUMMARY|Test unit written' || true)
    # libFuzzer writes crash-*, leak-* or timeout-* files on a finding.
    if ls build-fuzz/crash-* build-fuzz/leak-* build-fuzz/timeout-* >/dev/null 2>&1; then
        echo "fuzz $t: finding" >&2
        exit 1
    fi
done
