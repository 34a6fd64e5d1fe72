#!/bin/bash
# Two runs of the data generator write the same production folder, byte for byte.
set -u
datagen="$1"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
"$datagen" "$root/a" > /dev/null || exit 1
"$datagen" "$root/b" > /dev/null || exit 1
( cd "$root/a" && find . -type f -print0 | sort -z | xargs -0 sha256sum ) > "$root/a.sum"
( cd "$root/b" && find . -type f -print0 | sort -z | xargs -0 sha256sum ) > "$root/b.sum"
if ! diff "$root/a.sum" "$root/b.sum"; then echo "the two runs differ"; exit 1; fi
echo "datagen: $(wc -l < "$root/a.sum") files, identical across two runs"
