#!/bin/bash
# Fails when a source file differs from what clang-format makes of it (.clang-format at the root).
# With --fix, formats them instead.
set -u
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
if ! clang-format --dry-run -Werror "${files[@]}" 2>/tmp/format-check.$$; then
    grep -E "^[^ ].*: error" /tmp/format-check.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /' >&2
    rm -f /tmp/format-check.$$
    exit 1
fi
rm -f /tmp/format-check.$$
echo "format: every source file as clang-format makes it"
