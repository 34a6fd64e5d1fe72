#!/bin/bash
# Keeps the platform seam: SDL and X11 headers belong to platform/ alone.
set -u
cd "$(dirname "$0")/.."
bad=$(grep -rlE '#include[[:space:]]*[<"](SDL|X11/)' --include='*.cpp' --include='*.h' . \
      | grep -vE '^\./(platform|build[^/]*)/' || true)
if [ -n "$bad" ]; then
    echo "SDL or X11 included outside platform/:" >&2
    echo "$bad" >&2
    exit 1
fi
echo "layout: SDL and X11 only in platform/"
