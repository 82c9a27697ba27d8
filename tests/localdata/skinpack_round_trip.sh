#!/bin/sh
# The packing tool's round trip: pack a folder, unpack the archive, compare the trees.
# usage: skinpack_round_trip.sh SKINPACK SOURCE_FOLDER
set -eu
skinpack=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$skinpack" pack "$source" "$work/orv.dat"
"$skinpack" list "$work/orv.dat" >"$work/list.txt"
"$skinpack" unpack "$work/orv.dat" "$work/out"
diff -r "$source" "$work/out"
# Every file of the source is listed.
test "$(grep -vc '/$' "$work/list.txt")" -eq "$(find "$source" -type f | wc -l)"
# A damaged archive is refused and writes nothing.
head -c 300 "$work/orv.dat" >"$work/short.dat"
if "$skinpack" unpack "$work/short.dat" "$work/bad" 2>/dev/null; then exit 1; fi
test ! -e "$work/bad"
