#!/bin/bash
# Keeps the platform seam (SDL and X11 headers belong to platform/ alone) and the one-way order
# of the libraries: a folder includes only its own headers and those of folders below it.
set -u
cd "$(dirname "$0")/.."
status=0
bad=$(grep -rlE '#include[[:space:]]*[<"](SDL|X11/)' --include='*.cpp' --include='*.h' . \
      | grep -vE '^\./(platform|build[^/]*)/' || true)
if [ -n "$bad" ]; then
    echo "SDL or X11 included outside platform/:" >&2
    echo "$bad" >&2
    status=1
fi

# Level of each library folder; folders on one level may not include each other.
declare -A level=([platform]=0 [display]=1 [sound]=1 [picture]=2 [draw2d]=3 [scene3d]=4 [raster]=5 [fx]=6
                  [launcher]=7 [parts]=7 [app]=8)
for folder in "${!level[@]}"; do
    while IFS=: read -r file included; do
        dep=${included%%/*}
        [ -n "${level[$dep]+x}" ] || continue
        if [ "$dep" != "$folder" ] && [ "${level[$dep]}" -ge "${level[$folder]}" ]; then
            echo "$file includes $included: $folder may not depend on $dep" >&2
            status=1
        fi
    done < <(grep -rhoE '#include[[:space:]]*"[a-z0-9_]+/[^"]+"' --include='*.cpp' --include='*.h' "$folder" -H \
             | sed -E 's/#include[[:space:]]*"([^"]+)"/\1/')
done
[ $status -eq 0 ] && echo "layout: SDL and X11 only in platform/; libraries include one way"
exit $status
