#!/bin/bash
# Round trip: every song test that compiles is compiled again, and each of its
# track chunks after the control track is imported into an empty song of the
# same division whose track thins nothing; the imported track must hold the
# same events (the end of track aside, which falls on the new song's bar
# line). Chunks with raw exclusive packets are left out: the import takes
# only complete exclusive messages.
set -u
export LC_ALL=C.UTF-8
qoral=$(realpath "$1")
cd "$(dirname "$0")/songs" || exit 1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
songs=0
tracks=0
# The imported track keeps every event: no kind is thinned, nothing forgotten.
keepAll=$(printf '.optset t %s\n' prog pitch caf paf; for ((c = 0; c < 128; c++)); do printf '.optset t cc:%d\n' $c; done)
events() {  # the events of chunk $2 of midicsv dump $1, without the chunk's frame
    awk -F', ' -v t="$2" '$1 == t && $3 != "Start_track" && $3 != "End_track" { $1 = ""; print }' "$1"
}
while IFS= read -r -d '' csv; do
    dir=$(dirname "$csv")
    name=$(basename "$csv" .csv)
    args=()
    [ -f "$dir/$name.args" ] && read -r -a args < "$dir/$name.args"
    (cd "$dir" && "$qoral" "${args[@]}" "$name.mml" "$tmp/song.mid") > /dev/null 2>&1 || continue
    midicsv "$tmp/song.mid" > "$tmp/song.csv" || continue
    division=$(awk -F', ' '$3 == "Header" { print $6 }' "$tmp/song.csv")
    count=$(awk -F', ' '$3 == "Header" { print $5 }' "$tmp/song.csv")
    songs=$((songs + 1))
    for ((chunk = 1; chunk < count; chunk++)); do
        events "$tmp/song.csv" $((chunk + 1)) > "$tmp/want"
        grep -q System_exclusive_packet "$tmp/want" && continue
        { printf '.division %s\n.track 1 macro:t ch:1\n%s\n' "$division" "$keepAll"
          printf '.import t fn:%s inpTrack:%d\n' "$tmp/song.mid" "$chunk"; } > "$tmp/back.mml"
        if ! "$qoral" "$tmp/back.mml" "$tmp/back.mid" > "$tmp/back.out" 2>&1; then
            echo "FAIL $csv chunk $chunk: the import stopped"; tail -n 3 "$tmp/back.out"; fail=1; continue
        fi
        midicsv "$tmp/back.mid" > "$tmp/back.csv"
        events "$tmp/back.csv" 2 > "$tmp/got"
        tracks=$((tracks + 1))
        if ! diff -u "$tmp/want" "$tmp/got" > "$tmp/diff"; then
            echo "FAIL $csv chunk $chunk: imported events differ"; head -n 20 "$tmp/diff"; fail=1
        fi
    done
done < <(find . -name '*.csv' -not -path '*/include/*' -print0 | sort -z)
echo "$tracks tracks of $songs songs imported back"
exit $fail
