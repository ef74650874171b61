#!/usr/bin/env bash
# Checks the layering rule from the includes alone, so that review need not:
#  - a library under src/ includes only its own layer and the layers below it
#    (foundation < files < engine < graphics < ui < shell < installer; graphics
#    never uses engine), each named with its layer: "files/http.h";
#  - a header included plainly ("io_paths.h") is private to its folder: it must
#    lie beside the file that includes it, and nothing outside the folder names
#    it with its layer, except the tests of that layer (tests/<layer>/).
# Prints every breach and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

layers=(foundation files engine graphics ui shell installer)
rank() { # <layer>: its place in the order, or nothing
    local i
    for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && echo "$i"; done
    return 0
}

# The headers some file of their own folder includes plainly, as "<layer>/<name>".
private=()
for dir in src/*/; do
    layer=$(basename "$dir")
    while read -r name; do
        [ -f "$dir$name" ] && private+=("$layer/$name")
    done < <(grep -ho '^#include "[^/"]*"' "$dir"*.h "$dir"*.cpp 2>/dev/null | sed 's/#include "\(.*\)"/\1/' | sort -u)
done
is_private() { local p; for p in "${private[@]}"; do [ "$p" = "$1" ] && return 0; done; return 1; }

breaches=0
breach() {
    echo "check_includes: $*"
    breaches=$((breaches + 1))
}

while IFS=: read -r file _ line; do
    target=$(sed 's/^#include "\(.*\)".*/\1/' <<<"$line")
    folder=$(dirname "$file")
    if [[ $target != */* ]]; then
        [ -f "$folder/$target" ] || breach "$file: \"$target\" is no header of its own folder"
        continue
    fi
    to=${target%%/*}
    [ -n "$(rank "$to")" ] || continue # "support/...", a system or library header
    case $file in
    src/*)
        from=$(cut -d/ -f2 <<<"$file")
        if [ "$(rank "$to")" -gt "$(rank "$from")" ] || { [ "$from" = graphics ] && [ "$to" = engine ]; }; then
            breach "$file: the $from layer may not use the $to layer (\"$target\")"
        fi
        ;;
    tests/*) from=$(cut -d/ -f2 <<<"$file") ;;
    *) from="" ;;
    esac
    if is_private "$target" && [ "$from" != "$to" ]; then
        breach "$file: \"$target\" is private to the $to layer"
    fi
done < <(grep -rn --include='*.h' --include='*.cpp' '^#include "' src tests bench fuzz)

[ "$breaches" -eq 0 ] || exit 1
