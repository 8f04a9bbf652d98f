#!/bin/sh
# Whole interactive runs of retime.exe under wine in a terminal (tmux): the
# prompt, a typed and edited directory, the batch, "Fertig", the settings
# file beside the program, and the end after a key; then a run where the
# directory, Enter and the final key arrive in one go, as a fast typist or
# a paste sends them: the key behind Enter ends the wait for a key; then a
# run whose prompt stands on the window's last row with a default that
# reaches its right edge: the line neither wraps nor scrolls, and an edit
# draws it on its own row.
#   wine_console_test.sh WINE RETIME_EXE EXAMPLE_DIR EXPECTED_OUTPUT
# WINEPREFIX and WINEDEBUG come from the environment (the wine fixture's).
set -u
wine=$1 exe=$2 example=$3 expected=$4

# The last component has no dot: the program would take a dotted one for a
# file name and cut it off.
work=$(mktemp -d "${TMPDIR:-/tmp}/retime_console_XXXXXX") || exit 1
socket=$work/tmux.socket
session=retime
tmux_() { tmux -S "$socket" "$@"; }
cleanup() {
  tmux_ kill-server >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  echo "--- screen:"
  tmux_ capture-pane -p -t "$session" 2>/dev/null
  exit 1
}

mkdir "$work/bin" "$work/pair" || exit 1
cp "$exe" "$work/bin/retime.exe" || exit 1
cp "$example/film1.srt" "$example/film1.txt" "$work/pair/" || exit 1
directory="Z:$(printf '%s' "$work/pair" | tr / '\\')"

# Deadlines, not fixed sleeps: a loaded machine may be slow to start wine.
wait_for() {
  deadline=$(( $(date +%s) + 60 ))
  while ! tmux_ capture-pane -p -t "$session" 2>/dev/null | grep -qF -- "$1"; do
    [ "$(date +%s)" -lt "$deadline" ] || fail "no \"$1\" within 60 s"
    sleep 0.1
  done
}

# start_program [LINES]: LINES empty lines are printed before the program
# starts, so that its prompt can stand on the window's last row.
start_program() {
  tmux_ -f /dev/null new-session -d -s "$session" -x 100 -y 30 \
    "i=0; while [ \$i -lt ${1:-0} ]; do echo; i=\$((i+1)); done;
     exec env WINEPREFIX='$WINEPREFIX' WINEDEBUG='${WINEDEBUG:--all}' '$wine' '$work/bin/retime.exe'" \
    || fail "tmux did not start"
  # The pane stays after the program ends, so its end can be told from a
  # crash of tmux.
  tmux_ set-option -t "$session" remain-on-exit on >/dev/null
}

# The program ends within 60 s, with status 0.
wait_for_end() {
  deadline=$(( $(date +%s) + 60 ))
  until [ "$(tmux_ display-message -p -t "$session" '#{pane_dead}' 2>/dev/null)" != 0 ]; do
    [ "$(date +%s)" -lt "$deadline" ] || fail "program still running 60 s after $1"
    sleep 0.1
  done
  status=$(tmux_ display-message -p -t "$session" '#{pane_dead_status}' 2>/dev/null)
  [ "${status:-0}" = 0 ] || fail "program ended with status $status"
}

start_program

# capture-pane drops the blank that ends the prompt.
wait_for "Verzeichnis:"
tmux_ send-keys -t "$session" -l "${directory}x"
wait_for "${directory}x"
tmux_ send-keys -t "$session" BSpace Enter
wait_for "Fertig"

cmp "$work/pair/untertitel/film1..src" "$expected" || fail "output differs from $expected"

settings=$work/bin/retime.ini
[ -f "$settings" ] || fail "no settings file $settings"
grep -qxF "verzeichnis=$directory" "$settings" \
  || grep -qxF "verzeichnis=$directory$(printf '\r')" "$settings" \
  || { cat "$settings"; fail "settings file lacks verzeichnis=$directory"; }

[ "$(tmux_ display-message -p -t "$session" '#{pane_dead}')" = 0 ] \
  || fail "program ended before a key"
tmux_ send-keys -t "$session" q
wait_for_end "a key"

# Second run, on a fresh settings file (an empty default): everything in one
# tmux command, so the keys reach the console together. The pair's names
# hold an en dash, byte 0x96 in Windows-1252 (the code page wine gives the
# program here), where it is a character like any other, not a control to
# be shown as M-^V.
tmux_ kill-server >/dev/null 2>&1
rm -f "$settings"
mkdir "$work/dash" || exit 1
dash_name="Folge 1 – Pilot"
cp "$example/film1.srt" "$work/dash/$dash_name.srt" || exit 1
cp "$example/film1.txt" "$work/dash/$dash_name.txt" || exit 1
dash_directory="Z:$(printf '%s' "$work/dash" | tr / '\\')"
start_program
wait_for "Verzeichnis:"
tmux_ send-keys -t "$session" -l "$dash_directory" \; send-keys -t "$session" Enter q
wait_for "Fertig"
cmp "$work/dash/untertitel/$dash_name..src" "$expected" || fail "second output differs from $expected"
tmux_ capture-pane -p -t "$session" | grep -qF " Timecode: Folge 1 " || fail "no timecode file shown"
tmux_ capture-pane -p -t "$session" | grep -qF "M-^" && fail "a character shown as a control"
wait_for_end "the directory, Enter and a key in one go"

# Third run: the prompt on the last of the 30 rows, and a default of 86
# characters, so that "Verzeichnis: ", the default and the cursor's blank
# fill the 100 columns exactly. A console that wraps at once would scroll
# the line up a row on its first drawing, and the next drawing would land
# on the row below it.
tmux_ kill-server >/dev/null 2>&1
padding=$(head -c $(( 86 - ${#directory} - 1 )) /dev/zero | tr '\0' x)
long_directory="$directory\\$padding"
mkdir "$work/pair/$padding" || exit 1
printf 'texterweiterung=.txt\r\nausgabeerweiterung=.src\r\nverzeichnis=%s\r\n' \
  "$long_directory" >"$settings"
start_program 40
wait_for "Verzeichnis: $long_directory"
tmux_ send-keys -t "$session" BSpace
# The last row shows the shortened line, and no other row shows a line.
deadline=$(( $(date +%s) + 60 ))
until [ "$(tmux_ capture-pane -p -t "$session" | sed -n '30p')" = "Verzeichnis: ${long_directory%x}" ]; do
  [ "$(date +%s)" -lt "$deadline" ] || fail "the last row does not show the shortened line"
  sleep 0.1
done
[ "$(tmux_ capture-pane -p -t "$session" | grep -c 'Verzeichnis:')" = 1 ] \
  || fail "the line stands on more than one row"
tmux_ send-keys -t "$session" Enter
wait_for "Fertig"
tmux_ send-keys -t "$session" q
wait_for_end "a key after the long default"
echo "PASS"
