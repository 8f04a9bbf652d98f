#!/bin/sh
# retime.exe DIRECTORY > out.txt under wine: printing into a file ends every
# line with CR LF, as Windows tools expect, and the run is the usual one.
# Then the same run in a working directory of 300 characters, by a program
# whose folder's name the code page cannot hold, beside a text file whose
# name it cannot hold either and a dangling link: the pair gets its output,
# neither of the two is paired, and the settings lie in the user's
# application-data folder. Last, a directory argument the code page cannot
# hold is refused, never replaced by the look-alike of an existing folder.
#   wine_output_test.sh WINE RETIME_EXE EXAMPLE_DIR EXPECTED_OUTPUT
# WINEPREFIX and WINEDEBUG come from the environment (the wine fixture's).
set -u
wine=$1 exe=$2 example=$3 expected=$4

work=$(mktemp -d "${TMPDIR:-/tmp}/retime_output_XXXXXX") || exit 1
# The settings of a program that cannot name its own folder.
appdata_settings() {
  find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/retime/retime.ini' 2>/dev/null
}
remove_appdata_settings() {
  find "$WINEPREFIX/drive_c/users" -path '*/AppData/Roaming/retime' -prune -exec rm -rf {} + 2>/dev/null
}
trap 'rm -rf "$work"; remove_appdata_settings' EXIT
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

# The long run. Wine gives Unix names their characters in a UTF-8 locale
# only; the program gets Windows-1252 as its code page all the same, which
# holds the "ó" of "Łódź" but not its "Ł" and "ź".
LC_ALL=C.UTF-8
export LC_ALL
long=$work/long
while [ $(( 298 - ${#long} )) -gt 60 ]; do long="$long/$(printf '%050d' 0 | tr 0 x)"; done
long="$long/$(printf "%0$(( 298 - ${#long} - 1 ))d" 0 | tr 0 y)"
long_directory="Z:$(printf '%s' "$long" | tr / '\\')"
[ "${#long_directory}" = 300 ] || fail "the long directory has ${#long_directory} characters"
mkdir -p "$long" "$work/Łódź" || exit 1
cp "$exe" "$work/Łódź/retime.exe" || exit 1
cp "$example/film1.srt" "$example/film1.txt" "$long/" || exit 1
# Both share "film1.sr" with the timecode file, more than film1.txt does,
# and would win the pairing if they were listed.
printf 'kein Text\r\n' >"$long/film1.srŁ.txt" || exit 1
ln -s "$long/missing.txt" "$long/film1.sr_.txt" || exit 1
remove_appdata_settings

"$wine" "$work/Łódź/retime.exe" "$long_directory" >"$work/out.txt" 2>"$work/err.txt" </dev/null
status=$?
[ "$status" = 0 ] || fail "exit status $status in the long directory"
cmp "$long/untertitel/film1..src" "$expected" || fail "output in the long directory differs from $expected"
grep -qxF " 1 Timecodedatei$cr" "$work/out.txt" || fail "no count line of 1 in the long directory"
grep -qxF "     Text: film1.txt$cr" "$work/out.txt" || fail "not paired with film1.txt"
settings=$(appdata_settings)
[ -n "$settings" ] || fail "no settings file in the application-data folder"
grep -qxF "verzeichnis=$long_directory$cr" "$settings" || { cat "$settings"; fail "settings lack the long directory"; }

# A directory argument the code page cannot hold, "Łódź", beside "Lodz",
# both holding a pair: the C runtime's argv would carry the look-alike
# "Lodz" and run on that other folder. The word is taken from the UTF-16
# command line and refused: exit status 2, a message, nothing made.
mkdir "$work/Lodz" || exit 1
cp "$example/film1.srt" "$example/film1.txt" "$work/Lodz/" || exit 1
cp "$example/film1.srt" "$example/film1.txt" "$work/Łódź/" || exit 1
"$wine" "$work/bin/retime.exe" "Z:$(printf '%s' "$work/Łódź" | tr / '\\')" >"$work/out.txt" 2>"$work/err.txt" </dev/null
status=$?
[ "$status" = 2 ] || { cat "$work/err.txt"; fail "exit status $status for a directory the code page cannot hold"; }
grep -q "Codepage" "$work/err.txt" || { cat "$work/err.txt"; fail "no message about the code page"; }
[ -s "$work/out.txt" ] && fail "a refused run printed on standard output"
[ -e "$work/Lodz/untertitel" ] && fail "the look-alike Lodz was processed"
[ -e "$work/Łódź/untertitel" ] && fail "a refused directory was processed"
echo "PASS"
