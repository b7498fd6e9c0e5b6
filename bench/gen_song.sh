#!/bin/sh
# Writes a large song for timing the compiler: TRACKS tracks x 2 parts x
# MEASURES measures of eighth notes with velocity and controller changes.
# Usage: bench/gen_song.sh [measures] [tracks] > song.mml
measures=${1:-8000}
tracks=${2:-8}
awk -v measures="$measures" -v tracks="$tracks" 'BEGIN {
    print ".title benchmark"
    print ".tempo 132"
    for (t = 1; t <= tracks; t++) printf ".track %d macro:t%d ch:%d\n", t, t, t
    split("c d e f g a b > c <", upper, " ")
    for (m = 0; m < measures; m++) {
        for (t = 1; t <= tracks; t++) {
            printf "t%d(1) = o5 l8 v%d c d w%d e f v%d g a x%d b >c<\n", t, 80 + m % 40, 60 + (m + t) % 60, 90 + t, 100 + m % 27
            printf "t%d(2) = o3 l8 v%d c e g e m%d c e g e\n", t, 70 + (m + t) % 50, m % 128
        }
        print ".meas"
    }
    print ".end"
}'
