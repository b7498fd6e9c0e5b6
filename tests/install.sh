#!/bin/bash
# `cmake --install` into a scratch prefix gives a program that finds its
# start-up script without options, from any folder and through PATH, and a
# manual page that man can show.
set -u
build=$(realpath "$1")
source=$(realpath "$2")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
check() { if ! eval "$2"; then echo "FAIL $1"; fail=1; fi; }
prefix="$tmp/prefix"
if ! cmake --install "$build" --prefix "$prefix" > "$tmp/install.log" 2>&1; then
    echo "FAIL cmake --install"; cat "$tmp/install.log"; exit 1
fi
check "program installed" '[ -x "$prefix/bin/qoral" ]'
check "start-up script installed" '[ -f "$prefix/bin/qoral.zyl" ]'
check "manual page installed" '[ -f "$prefix/share/man/man1/qoral.1" ]'

mkdir "$tmp/songs"
cp "$source/tests/songs/source/macros.mml" "$tmp/songs/"
cd "$tmp/songs" || exit 1
"$prefix/bin/qoral" macros.mml > out 2>&1
status=$?
check "compiles by full path: status 0, not $status" '[ $status = 0 ] && [ -s macros.mid ]'
[ $status = 0 ] || cat out
rm -f macros.mid
PATH="$prefix/bin:/usr/bin:/bin" qoral macros.mml > out 2>&1
status=$?
check "compiles through PATH: status 0, not $status" '[ $status = 0 ] && [ -s macros.mid ]'
[ $status = 0 ] || cat out

if command -v man > /dev/null; then
    MANWIDTH=80 man -l "$prefix/share/man/man1/qoral.1" > man.txt 2> man.err
    check "manual page renders without warnings" '[ -s man.txt ] && [ ! -s man.err ]'
    [ -s man.err ] && cat man.err
fi
exit $fail
