#!/bin/sh
# retime.exe DIRECTORY > out.txt under wine: printing into a file ends every
# line with CR LF, as Windows tools expect, and the run is the usual one.
#   wine_output_test.sh WINE RETIME_EXE EXAMPLE_DIR EXPECTED_OUTPUT
# WINEPREFIX and WINEDEBUG come from the environment (the wine fixture's).
set -u
wine=$1 exe=$2 example=$3 expected=$4

work=$(mktemp -d "${TMPDIR:-/tmp}/retime_output_XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  echo "--- out.txt:"
  od -c "$work/out.txt" | head -40
  exit 1
}

mkdir "$work/bin" "$work/pair" || exit 1
cp "$exe" "$work/bin/retime.exe" || exit 1
cp "$example/film1.srt" "$example/film1.txt" "$work/pair/" || exit 1
directory="Z:$(printf '%s' "$work/pair" | tr / '\\')"

# Standard error goes to a file too: helper processes that wine starts
# beside the program outlive it and would hold ctest's pipe open.
"$wine" "$work/bin/retime.exe" "$directory" >"$work/out.txt" 2>"$work/err.txt" </dev/null
status=$?
[ "$status" = 0 ] || fail "exit status $status"
cmp "$work/pair/untertitel/film1..src" "$expected" || fail "output differs from $expected"

cr=$(printf '\r')
lines=$(grep -c '' "$work/out.txt")
crlf_lines=$(grep -c "$cr\$" "$work/out.txt")
[ "$lines" -gt 5 ] || fail "only $lines lines"
[ "$lines" = "$crlf_lines" ] || fail "$crlf_lines of $lines lines end with CR LF"
[ "$(tail -n 1 "$work/out.txt")" = "Fertig$cr" ] && [ -z "$(tail -c 1 "$work/out.txt")" ] \
  || fail "the output does not end with Fertig and CR LF"
grep -q "$cr$cr" "$work/out.txt" && fail "a doubled CR"
echo "PASS"
