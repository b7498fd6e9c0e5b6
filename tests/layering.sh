#!/bin/sh
# The source folders stand on floors; a file includes headers of its own
# folder and of lower floors only, never of its own floor or above.
# Usage: layering.sh [SRC_DIR]   (default: the src folder beside tests/)
src=${1:-$(dirname "$0")/../src}

floor() {
    case $1 in
    base | script) echo 1 ;;
    store | gen) echo 2 ;;
    source | output | import) echo 3 ;;
    mml) echo 4 ;;
    decl) echo 5 ;;
    driver) echo 6 ;;
    *) echo 0 ;;
    esac
}

fail=0
for dir in "$src"/*/; do
    folder=$(basename "$dir")
    own=$(floor "$folder")
    if [ "$own" = 0 ]; then
        echo "$folder: folder stands on no floor"
        fail=1
        continue
    fi
    for file in "$dir"*; do
        [ -f "$file" ] || continue
        grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
            sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1 \2/' >"${TMPDIR:-/tmp}/layering.$$"
        while read -r line header; do
            target=${header%%/*}
            [ "$target" = "$header" ] && target=$folder   # a header beside the file
            [ "$target" = "$folder" ] && continue
            to=$(floor "$target")
            if [ "$to" = 0 ] || [ "$to" -ge "$own" ]; then
                echo "$folder/$(basename "$file"):$line: includes \"$header\" (floor $to) from floor $own"
                fail=1
            fi
        done <"${TMPDIR:-/tmp}/layering.$$"
    done
done
rm -f "${TMPDIR:-/tmp}/layering.$$"
[ "$fail" = 0 ] && echo "layering: every include goes to a lower floor"
exit "$fail"
