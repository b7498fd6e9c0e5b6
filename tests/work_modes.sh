#!/bin/bash
# Every song that compiles must give the same MIDI file in memory and in
# work-file mode (and the same dump listing, where it asks for one), and file
# mode must leave no work file behind - nor may a song that stops at an error.
set -u
export LC_ALL=C.UTF-8
qoral=$(realpath "$1")
cd "$(dirname "$0")/songs" || exit 1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
count=0
dump() { midicsv "$1" | sed -E 's/^(1, 0, Text_t, "Sorvane Compiler ver\.3\.02a #01 : ).*"$/\1<time>"/'; }
while IFS= read -r -d '' csv; do
    dir=$(dirname "$csv")
    name=$(basename "$csv" .csv)
    args=()
    [ -f "$dir/$name.args" ] && read -r -a args < "$dir/$name.args"
    mkdir -p "$tmp/work"
    (cd "$dir" && "$qoral" "${args[@]}" "$name.mml" "$tmp/memory.mid") > "$tmp/memory.out" 2> /dev/null
    (cd "$dir" && "$qoral" "${args[@]}" -workMode file -workPath "$tmp/work" "$name.mml" "$tmp/file.mid") > "$tmp/file.out" 2> /dev/null
    count=$((count + 1))
    if ! diff <(dump "$tmp/memory.mid") <(dump "$tmp/file.mid") > /dev/null; then
        echo "FAIL $csv: work-file mode differs from memory mode"; fail=1
    fi
    # The listing's lines are indented; the work size and timing lines are not.
    if ! diff <(grep '^    ' "$tmp/memory.out") <(grep '^    ' "$tmp/file.out") > /dev/null; then
        echo "FAIL $csv: the dump listing differs in work-file mode"; fail=1
    fi
    if [ -n "$(ls -A "$tmp/work")" ]; then
        echo "FAIL $csv: work files left behind: $(ls "$tmp/work")"; fail=1
        rm -f "$tmp/work"/*
    fi
    rm -f "$tmp/memory.mid" "$tmp/file.mid"
done < <(find . -name '*.csv' -print0 | sort -z)
failing=0
while IFS= read -r -d '' song; do
    dir=$(dirname "$song")
    name=$(basename "$song" .mml)
    [ -f "$dir/$name.csv" ] && continue
    args=()
    [ -f "$dir/$name.args" ] && read -r -a args < "$dir/$name.args"
    mkdir -p "$tmp/work"
    (cd "$dir" && "$qoral" "${args[@]}" -workMode file -workPath "$tmp/work" "$name.mml" "$tmp/file.mid") > /dev/null 2>&1
    failing=$((failing + 1))
    if [ -n "$(ls -A "$tmp/work")" ]; then
        echo "FAIL $song: work files left behind after an error: $(ls "$tmp/work")"; fail=1
        rm -f "$tmp/work"/*
    fi
    rm -f "$tmp/file.mid"
done < <(find . -name '*.mml' -print0 | sort -z)
echo "$count songs compared in both work modes; $failing songs that stop at an error left no work file"
exit $fail
