#!/bin/sh
# Times build/qoral on a generated song in both work modes and prints wall
# time, notes per second and peak memory.
# Usage: bench/run.sh [measures] [tracks]
set -e
cd "$(dirname "$0")/.."
measures=${1:-8000}
tracks=${2:-8}
mkdir -p bench/out
song=bench/out/song.mml
bench/gen_song.sh "$measures" "$tracks" > "$song"
notes=$((measures * tracks * 16))
for mode in memory file; do
    /usr/bin/time -f "%e %M" -o bench/out/time.txt build/qoral -cnsMsgIgn -workMode "$mode" -workPath bench/out/ "$song" bench/out/song.mid > /dev/null 2>&1
    read -r seconds peak < bench/out/time.txt
    echo "$mode: $notes notes in ${seconds}s ($(awk -v n="$notes" -v s="$seconds" 'BEGIN { printf "%.0f", (s > 0 ? n / s : 0) }') notes/s), peak RSS $((peak / 1024)) MB"
done
