#!/bin/bash
# Command-line behaviour the song runner cannot show, since it always names a
# source and sets no environment or standard input: a run without arguments,
# SOURCE_DATE_EPOCH, what a script reads from standard input, and colours
# only on a terminal.
set -u
export LC_ALL=C.UTF-8
qoral=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
fail=0
check() { if ! eval "$2"; then echo "FAIL $1"; fail=1; fi; }
text_event() { midicsv "$1" | grep -m1 'Text_t'; }

"$qoral" > out 2>&1
status=$?
check "no arguments: status 1, not $status" '[ $status = 1 ]'
check "no arguments: usage text" 'grep -q "^usage : qoral " out'
check "no arguments: nothing compiled" '! grep -q "source filename" out'

printf '.track 1 macro:a ch:1\na(1) = c d e\n' > song.mml

SOURCE_DATE_EPOCH=1700000000 "$qoral" song.mml first.mid > out 2>&1
sleep 1
SOURCE_DATE_EPOCH=1700000000 "$qoral" song.mml second.mid > out 2>&1
check "SOURCE_DATE_EPOCH: same bytes in two runs" 'cmp -s first.mid second.mid'
# The time is written in UTC, whatever the local time zone.
TZ=Asia/Tokyo SOURCE_DATE_EPOCH=1700000000 "$qoral" song.mml tokyo.mid > out 2>&1
check "SOURCE_DATE_EPOCH: UTC in any time zone" 'cmp -s first.mid tokyo.mid'
check "SOURCE_DATE_EPOCH: its time in the text event" \
    '[ "$(text_event first.mid)" = "1, 0, Text_t, \"Sorvane Compiler ver.3.02a #01 : 2023/11/14 22:13:20\"" ]'
SOURCE_DATE_EPOCH=0 "$qoral" song.mml zero.mid > out 2>&1
check "SOURCE_DATE_EPOCH=0: the epoch" 'text_event zero.mid | grep -q " : 1970/01/01 00:00:00\"$"'

# A malformed value is ignored: the current time is written.
for value in "" "-5" "12ab" " 1700000000" "1.5" "99999999999999999999999"; do
    SOURCE_DATE_EPOCH=$value "$qoral" song.mml bad.mid > out 2>&1
    status=$?
    year=$(text_event bad.mid | sed -E 's/.* : ([0-9]{4})\/.*/\1/')
    check "SOURCE_DATE_EPOCH='$value': status 0, not $status" '[ $status = 0 ]'
    check "SOURCE_DATE_EPOCH='$value': current year, not $year" '[ "$year" = "$(date +%Y)" ]'
done

# A script's gets reads a line without its newline; what a line holds beyond
# gets's 511 characters is read and dropped.
cat > gets.zyl <<'EOF'
int QORAL_start(void *ctx)
{
    char first[600], second[600], third[600], text[700];
    gets(first);
    gets(second);
    gets(third);
    sprintf(text, "/ [%s] %d [%s]", first, strlen(second), third);
    MMac_extDefine(ctx, "typed", text, 0, 0);
    return 0;
}
EOF
printf '$typed\n' > gets.mml
{ echo abc; head -c 600 /dev/zero | tr '\0' x; echo; echo last; } |
    "$qoral" -zylPath . -zylFile gets.zyl gets.mml > out 2>&1
check "gets: lines without their newline, a long one cut at 511" 'grep -qx "/ \[abc\] 511 \[last\]" out'

# Debug messages are coloured on a terminal only.
"$qoral" -debugMsg song.mml > out 2> err
check "debug messages shown" 'grep -q "work size" out'
check "no colour escapes into files" '! grep -q $'"'"'\033'"'"' out err'
if command -v script > /dev/null; then
    script -qec "\"$qoral\" -debugMsg song.mml" /dev/null > tty.out 2>&1 < /dev/null
    check "colour escapes on a terminal" 'grep -q $'"'"'\033\\[32m'"'"' tty.out'
fi
exit $fail
