#!/usr/bin/env bash
# The units of a source folder (X.h with X.cpp) include one another without a circle: when X
# includes Y.h, Y does not include X.h, directly or through other units. tsort names the
# units of the first circle it meets.
set -euo pipefail
cd "${1:?usage: include_circles_test.sh FOLDER}"
edges=$(for file in *.h *.cpp; do
    unit=${file%.*}
    sed -n 's/^#include "\([A-Za-z0-9_]*\)\.h".*/\1/p' "$file" | while read -r used; do
        if [ "$used" != "$unit" ] && [ -e "$used.h" ]; then
            echo "$used $unit"
        fi
    done
done)
if ! loops=$(tsort <<<"$edges" 2>&1 >/dev/null) || [ -n "$loops" ]; then
    echo "$loops"
    exit 1
fi
echo "no include circle"
