#!/bin/sh
# Every song in examples/ compiles without an error into a MIDI file, and the
# file, dumped by midicsv, equals tests/examples/NAME.csv, so no example can
# change unnoticed. UPDATE=1 rewrites the expected dumps.
export LC_ALL=C.UTF-8
qoral=$(realpath "$1")
expected=$(realpath "$(dirname "$0")/examples")
cd "$(dirname "$0")/../examples" || exit 1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# The control track opens with a text event that holds the time of writing.
normalise_csv() {
    sed -E 's|^(1, 0, Text_t, "Sorvane Compiler ver\.3\.02a #01 : )[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}"$|\1<time>"|'
}
fail=0
for song in *.mml; do
    name=${song%.mml}
    if ! "$qoral" "$song" "$tmp/$name.mid" > "$tmp/out" 2>&1 || [ ! -s "$tmp/$name.mid" ]; then
        echo "FAIL examples/$song"; cat "$tmp/out"; fail=1; continue
    fi
    midicsv "$tmp/$name.mid" | normalise_csv > "$tmp/$name.csv"
    if [ "${UPDATE:-0}" = 1 ]; then
        cp "$tmp/$name.csv" "$expected/$name.csv"
    elif [ ! -f "$expected/$name.csv" ]; then
        echo "FAIL examples/$song (no tests/examples/$name.csv)"; fail=1
    elif ! diff -u "$expected/$name.csv" "$tmp/$name.csv"; then
        echo "FAIL examples/$song (MIDI differs)"; fail=1
    fi
done
exit $fail
