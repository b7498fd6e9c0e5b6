#!/bin/bash
# The files a run reads and writes, and the environment it trusts: names taken
# whole and never cut, the old MIDI file kept until the new one is complete,
# no file the song reads overwritten, nothing left behind by a stop signal,
# work files private and in TMP or TMPDIR, the start-up script found only in
# absolute PATH folders, and failed writes of the message files reported.
set -u
export LC_ALL=C.UTF-8
qoral=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
fail=0
check() { if ! eval "$2"; then echo "FAIL $1"; fail=1; fi; }
song='.track 1 macro:a ch:1\na(1) = c d e\n'
temporaries() { compgen -G "$1/.*.mid.??????" > /dev/null; }

# A name is the whole argument, blanks and all.
printf "$song" > "my song.mml"
echo old > my.mid
"$qoral" "my song" > out 2>&1
check "blank: compiles 'my song.mml' into 'my song.mid'" '[ -s "my song.mid" ] && grep -q "source filename \"my song.mml\"" out'
check "blank: my.mid untouched" '[ "$(cat my.mid)" = old ]'
"$qoral" "" > out 2>&1
status=$?
check "empty name: a parameter error, not '.mml'" '[ $status = 1 ] && [ "$(cat out)" = "@ Parameter error!!" ]'

# Names longer than their fields are refused, never cut.
long=$(printf 'x%.0s' $(seq 300))
"$qoral" -errOut "$long" song.mml > out 2>&1
status=$?
check "long -errOut refused ($status)" '[ $status = 1 ] && grep -qx "@ Parameter error!! (-errOut : name too long)" out'
TMP="$tmp/$long" "$qoral" -workMode file song.mml > out 2>&1
status=$?
check "long \$TMP refused ($status)" '[ $status = 1 ] && grep -q "^\$TMP : Work folder name too long (at most 254 bytes)!" out'
# A 259-byte source "D/.../s.a" has no room for the output "D/.../s.mid": cut,
# it would be "D/.../s.mi".
dir=$(printf 'd%.0s' $(seq 200))/$(printf 'e%.0s' $(seq 54))
mkdir -p "$dir"
printf "$song" > "$dir/s.a"
echo other > "$dir/s.mi"
"$qoral" "$dir/s.a" > out 2>&1
status=$?
check "cut output name refused ($status)" '[ $status = 1 ] && grep -q "Output file name would be longer than 259 bytes" out'
check "cut output name: the other file untouched" '[ "$(cat "$dir/s.mi")" = other ]'

# No file the compile reads is overwritten: not by the messages, not by the MIDI file.
printf '#include "part.mml"\n' > song.mml
printf "$song" > part.mml
cp song.mml song.keep; cp part.mml part.keep
"$qoral" -errOut song.mml song.mml > out 2>&1
status=$?
check "-errOut on the source refused" '[ $status = 1 ] && grep -q "song.mml : Error file is the source file!" out'
"$qoral" -msgOut song.mml song.mml > out 2>&1
status=$?
check "-msgOut on the source refused" '[ $status = 1 ] && grep -q "song.mml : Message file is the source file!" out'
"$qoral" song.mml part.mml > out 2>&1
status=$?
check "output on an include refused" '[ $status = 1 ] && grep -q "part.mml : Output file is part.mml, which the song reads!" out'
"$qoral" -errOut log.txt song.mml log.txt > out 2>&1
status=$?
check "output on the error file refused" '[ $status = 1 ] && grep -q "log.txt : Output file is the error file!" out'
ln -s /dev/null null.mid
"$qoral" -msgOut /dev/null song.mml null.mid > out 2>&1
status=$?
check "one device may take the messages and the MIDI file ($status)" '[ $status = 0 ] && [ -L null.mid ]'
echo "the last MIDI file" > song.mid
"$qoral" -msgOut song.mid song.mml > out 2>&1
status=$?
check "-msgOut on the last output refused" '[ $status = 1 ] && grep -q "song.mid : Message file is the output file!" out'
check "the source, its include and the last output untouched" \
    'cmp -s song.mml song.keep && cmp -s part.mml part.keep && [ "$(cat song.mid)" = "the last MIDI file" ]'

# The old MIDI file stays until the new one is complete: a write that fails
# (a file size limit stands in for a full disk) leaves it as it was.
{ echo '.track 1 macro:a ch:1'; for i in $(seq 20); do echo 'a(1) = l64 $(cdefgab)100'; done; } > big.mml
echo "the previous file" > big.mid
(trap '' XFSZ; ulimit -f 8; exec "$qoral" big.mml) > out 2> /dev/null
status=$?
check "full disk: status 1" '[ $status = 1 ] && grep -q "big.mid : File write error! (File too large)" out'
check "full disk: previous file kept" '[ "$(cat big.mid)" = "the previous file" ]'
check "full disk: no temporary file" '! temporaries .'
# The new file has the permissions a plain create gives, an old one keeps its own.
rm -f big.mid
(umask 027; "$qoral" big.mml > /dev/null 2>&1)
check "new file: permissions by the umask" '[ "$(stat -c %a big.mid)" = 640 ]'
chmod 604 big.mid
"$qoral" big.mml > /dev/null 2>&1
check "old file: its permissions kept" '[ "$(stat -c %a big.mid)" = 604 ]'
mkdir real
echo old > real/target.mid
ln -s real/target.mid link.mid
"$qoral" big.mml link.mid > /dev/null 2>&1
check "a symbolic link stays, its file is replaced" '[ -L link.mid ] && [ -s real/target.mid ]'

# Stop signals: work files and the temporary output are removed, the old
# output is kept, and the status is 128 + the signal number. Work files are
# private and go to TMP, else TMPDIR, inside the folder even without a '/'.
{ for t in $(seq 40); do echo ".track $t macro:t$t ch:1"; done
  for t in $(seq 40); do for r in 1 2 3 4 5 6; do echo "t$t(1) = l64 \$(cdefgab)400"; done; done; } > huge.mml
mkdir work tmpdir
set -m   # background jobs keep SIGINT
# Starts a file-mode compile of huge.mml, waits until `$1` exists, sends `$2`.
stop_when() {
    "$qoral" -workMode file huge.mml > /dev/null 2>&1 &
    pid=$!
    until compgen -G "$1" > /dev/null || ! kill -0 $pid 2> /dev/null; do :; done
    seen=no
    compgen -G "$1" > /dev/null && seen=yes && mode=$(stat -c %a $1 2> /dev/null)
    kill -"$2" $pid 2> /dev/null
    wait $pid
    status=$?
}
echo "the previous file" > huge.mid
TMP="$tmp/work" stop_when 'work/_qv00000.)0(' TERM
check "TMP without '/': work files inside it ($seen)" '[ $seen = yes ]'
check "work files readable by the owner only ($mode)" '[ "$mode" = 600 ]'
check "SIGTERM: status 143 ($status)" '[ $status = 143 ]'
check "SIGTERM: no work file left" '[ -z "$(ls -A work)" ]'
[ -n "${TMP+set}" ] && saved_tmp=$TMP && unset TMP
TMPDIR="$tmp/tmpdir" stop_when 'tmpdir/_qv00000.)0(' INT
[ -n "${saved_tmp+set}" ] && export TMP=$saved_tmp
check "TMPDIR when TMP is unset ($seen)" '[ $seen = yes ]'
check "SIGINT: status 130 ($status)" '[ $status = 130 ]'
check "SIGINT: no work file left" '[ -z "$(ls -A tmpdir)" ]'
TMP="$tmp/work" stop_when '.huge.mid.??????' TERM
check "SIGTERM while writing: caught the write ($seen)" '[ $seen = yes ]'
check "SIGTERM while writing: status 143 ($status)" '[ $status = 143 ]'
check "SIGTERM while writing: no temporary file, no work file" '! temporaries . && [ -z "$(ls -A work)" ]'
check "SIGTERM while writing: previous file kept" '[ "$(head -c 17 huge.mid)" = "the previous file" ]'
set +m

# The start-up script is searched in absolute PATH folders only: an empty or
# '.' element would run a script shipped beside the song.
mkdir -p songdir scripts empty
printf "$song" > songdir/song.mml
printf 'int QORAL_start(void *ctx) { fclose(fopen("ran", "w")); return 0; }\n' > songdir/qoral.zyl
cp songdir/qoral.zyl scripts/
for search in ":/usr/bin" ".:/usr/bin" "/usr/bin:"; do
    (cd songdir && PATH="$search" "$qoral" -zylPath "$tmp/empty" song.mml > ../out 2>&1)
    check "PATH '$search': status 1" '[ $? = 1 ] && grep -q "not found" out'
    check "PATH '$search': the song folder's script not run" '[ ! -e songdir/ran ]'
done
(cd songdir && PATH="$tmp/scripts:/usr/bin" "$qoral" -zylPath "$tmp/empty" song.mml > ../out 2>&1)
status=$?
check "an absolute PATH folder is searched" '[ $status = 0 ] && [ -e songdir/ran ]'

# A message or error file that cannot be written is reported.
"$qoral" -msgOut /dev/full song.mml > out 2>&1
status=$?
check "-msgOut /dev/full: status 1" '[ $status = 1 ] && grep -q "/dev/full : File write error! (No space left on device)" out'
printf 'a(1) = c\n' > bad.mml
"$qoral" -errOut /dev/full bad.mml > out 2>&1
status=$?
check "-errOut /dev/full: reported" '[ $status = 1 ] && grep -q "/dev/full : File write error! (No space left on device)" out'
exit $fail
