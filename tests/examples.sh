#!/bin/sh
# Every song in examples/ compiles without an error into a MIDI file.
qoral=$(realpath "$1")
cd "$(dirname "$0")/../examples" || exit 1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
for song in *.mml; do
    if ! "$qoral" "$song" "$tmp/${song%.mml}.mid" > "$tmp/out" 2>&1 || [ ! -s "$tmp/${song%.mml}.mid" ]; then
        echo "FAIL examples/$song"; cat "$tmp/out"; fail=1
    fi
done
exit $fail
