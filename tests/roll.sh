#!/bin/bash
# The piano roll draws the notes, bar lines and tempo changes of the MIDI file
# it goes with: the same in both work modes, and no roll (nor MIDI file) is
# left when it cannot be written.
set -u
export LC_ALL=C.UTF-8
qoral=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
cp "$here/data/roll/roll.mml" "$tmp/"
cd "$tmp" || exit 1
mkdir work
"$qoral" -roll memory.svg roll.mml memory.mid > memory.out 2>&1 || { echo "FAIL: memory mode: $(cat memory.out)"; fail=1; }
"$qoral" -workMode file -workPath work -roll file.svg roll.mml file.mid > file.out 2>&1 \
    || { echo "FAIL: file mode: $(cat file.out)"; fail=1; }
cmp -s memory.svg file.svg || { echo "FAIL: the roll differs in work-file mode"; fail=1; }
python3 "$here/roll_check.py" memory.mid memory.svg || fail=1

# A roll that cannot be written fails the run and takes the MIDI file along.
rm -f out.mid
if "$qoral" -roll no/such/dir/x.svg roll.mml out.mid > fail.out 2>&1; then
    echo "FAIL: an unwritable roll reported success"; fail=1
fi
grep -q 'no/such/dir/x.svg : File open error!' fail.out || { echo "FAIL: no open error: $(cat fail.out)"; fail=1; }
[ -e out.mid ] && { echo "FAIL: MIDI file left after the roll failed"; fail=1; }
# A roll may not overwrite the song's own files.
if "$qoral" -roll roll.mml roll.mml out.mid > same.out 2>&1; then
    echo "FAIL: a roll over the source reported success"; fail=1
fi
grep -q 'Piano roll would overwrite' same.out || { echo "FAIL: no overwrite error: $(cat same.out)"; fail=1; }
head -1 roll.mml | grep -q '^/ Two tracks' || { echo "FAIL: the source was overwritten"; fail=1; }
[ -e out.mid ] && { echo "FAIL: MIDI file left after the roll failed"; fail=1; }
# A song that stops at an error writes no roll.
printf '.track 1 macro:a\na(1) = c\nbad(1) = c\n' > bad.mml
"$qoral" -roll bad.svg bad.mml > /dev/null 2>&1 && { echo "FAIL: bad song succeeded"; fail=1; }
[ -e bad.svg ] && { echo "FAIL: roll left after a compile error"; fail=1; }
exit $fail
