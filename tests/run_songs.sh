#!/bin/bash
# End-to-end song tests. Each tests/songs/<topic>/NAME.mml is compiled with the
# options in NAME.args (if any); its console output (timing lines removed, exit
# status appended) must equal NAME.out, and the MIDI file, dumped by midicsv,
# must equal NAME.csv. A song expected to fail has no NAME.csv and must leave
# no MIDI file behind. When NAME.err exists, the standard error (progress
# lines removed) must equal it. UPDATE=1 rewrites the expectations (an .err
# only where one exists).
set -u
export LC_ALL=C.UTF-8
qoral=$(realpath "$1")
cd "$(dirname "$0")/songs" || exit 1
fail=0
count=0
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
normalise() {
    sed -E -e 's/^(compile start : |compile end   : ).*/\1<time>/' \
           -e 's/^(compile time  : ).*/\1<seconds>/' \
           -e 's/^(コンパイル開始: |コンパイル終了: ).*/\1<time>/' \
           -e 's/^(コンパイル時間: ).*/\1<seconds>/'
}
# Progress lines share standard error by carriage returns: split there and
# drop them with the blanks that wipe them.
normalise_err() {
    tr '\r' '\n' | grep -v -e '^\$ clock ' -e '^ *$'
}
# The control track opens with a text event that holds the time of writing.
normalise_csv() {
    sed -E 's|^(1, 0, Text_t, "Sorvane Compiler ver\.3\.02a #01 : )[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}"$|\1<time>"|'
}
while IFS= read -r -d '' song; do
    dir=$(dirname "$song")
    name=$(basename "$song" .mml)
    base="$dir/$name"
    count=$((count + 1))
    args=()
    [ -f "$base.args" ] && read -r -a args < "$base.args"
    rm -f "$base.mid"
    (cd "$dir" && "$qoral" "${args[@]}" "$name.mml") > "$tmp/out" 2> "$tmp/err"
    status=$?
    { normalise < "$tmp/out"; echo "exit status $status"; } > "$tmp/actual.out"
    if [ -f "$base.mid" ]; then midicsv "$base.mid" | normalise_csv > "$tmp/actual.csv"; rm -f "$base.mid"; fi
    if [ "${UPDATE:-0}" = 1 ]; then
        cp "$tmp/actual.out" "$base.out"
        [ -f "$base.err" ] && normalise_err < "$tmp/err" > "$base.err"
        if [ -f "$tmp/actual.csv" ]; then cp "$tmp/actual.csv" "$base.csv"; else rm -f "$base.csv"; fi
        rm -f "$tmp/actual.csv"
        continue
    fi
    if ! diff -u "$base.out" "$tmp/actual.out" > "$tmp/diff"; then
        echo "FAIL $song (messages)"; cat "$tmp/diff"; fail=1
    fi
    if [ -f "$base.err" ] && ! normalise_err < "$tmp/err" | diff -u "$base.err" - > "$tmp/diff"; then
        echo "FAIL $song (standard error)"; cat "$tmp/diff"; fail=1
    fi
    if [ -f "$base.csv" ]; then
        if [ ! -f "$tmp/actual.csv" ]; then echo "FAIL $song (no MIDI file)"; fail=1
        elif ! diff -u "$base.csv" "$tmp/actual.csv" > "$tmp/diff"; then
            echo "FAIL $song (MIDI)"; cat "$tmp/diff"; fail=1
        fi
    elif [ -f "$tmp/actual.csv" ]; then
        echo "FAIL $song (unexpected MIDI file)"; fail=1
    fi
    rm -f "$tmp/actual.csv"
done < <(find . -name '*.mml' -not -path '*/include/*' -print0 | sort -z)
echo "$count songs checked"
exit $fail
