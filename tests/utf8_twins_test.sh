#!/bin/sh
# Every text of the sample corpus in Windows-1252 (or ISO 8859-1) and in
# UTF-8, with and without a byte-order mark, re-timed over the same cue
# files: the UTF-8 twins must give the same cues (the same console lines
# with --report: cues written, characters, speeds, factor and passes) and
# the same output, the UTF-8 one read back as Windows-1252 byte for byte.
# The corpus's lecture pair in both encodings too.
#
#   tests/utf8_twins_test.sh PROGRAM CORPUS_DIR
#
# Needs iconv. Exits 77 (skipped) without the corpus, unless CI=true.
set -eu

program=${1:?usage: tests/utf8_twins_test.sh PROGRAM CORPUS_DIR}
corpus=${2:?usage: tests/utf8_twins_test.sh PROGRAM CORPUS_DIR}
if [ ! -d "$corpus/text" ]; then
  echo "sample corpus not found: $corpus"
  [ "${CI:-}" = true ] && exit 1
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/retime-utf8-XXXXXX")
trap 'rm -rf "$work"' EXIT
# A copy of the program, so that its settings file lies here.
cp "$program" "$work/retime"
mark=$(printf '\357\273\277')

# Re-times film.txt over film.srt in folder $1; the console goes to $1.console.
run() {
  "$work/retime" --report "$1" >"$1.console" || true
}

compared=0
retimed=0
failed=0
# $1: the cue file, $2: the text in Windows-1252, $3: the same in UTF-8
# without a mark, $4: a name for the messages.
compare() {
  for variant in single utf8 marked; do
    rm -rf "$work/$variant" "$work/$variant.console"
    mkdir "$work/$variant"
    cp "$1" "$work/$variant/film.srt"
  done
  cp "$2" "$work/single/film.txt"
  cp "$3" "$work/utf8/film.txt"
  { printf '%s' "$mark"; cat "$3"; } >"$work/marked/film.txt"
  for variant in single utf8 marked; do run "$work/$variant"; done
  for variant in utf8 marked; do
    compared=$((compared + 1))
    grep -q "Korrekturfaktor:" "$work/single.console" && retimed=$((retimed + 1))
    if ! cmp -s "$work/single.console" "$work/$variant.console"; then
      echo "$4, $variant: the console differs"
      diff "$work/single.console" "$work/$variant.console" | head -20
      failed=$((failed + 1))
    elif ! iconv -f UTF-8 -t WINDOWS-1252 "$work/$variant/untertitel/film..src" >"$work/back.src" ||
      ! cmp -s "$work/single/untertitel/film..src" "$work/back.src"; then
      echo "$4, $variant: the output differs"
      cmp "$work/single/untertitel/film..src" "$work/back.src" || true
      failed=$((failed + 1))
    fi
  done
}

cues="$corpus/pairs/tomsa_SE_latin1/SE.srt $corpus/srt/de_underthedome_de.srt"
for text in "$corpus"/text/*.txt; do
  name=$(basename "$text")
  case $name in
    utf8_*)
      tail -c +1 "$text" | sed "1s/^$mark//" >"$work/text.utf8"
      iconv -f UTF-8 -t WINDOWS-1252 "$work/text.utf8" >"$work/text.single"
      ;;
    *)
      # Windows-1252 where the text uses its bytes 0x80..0x9F, else ISO 8859-1.
      if LC_ALL=C grep -q "$(printf '[\200-\237]')" "$text"; then from=WINDOWS-1252; else from=ISO-8859-1; fi
      cp "$text" "$work/text.single"
      iconv -f "$from" -t UTF-8 "$text" >"$work/text.utf8"
      ;;
  esac
  for cue_file in $cues; do compare "$cue_file" "$work/text.single" "$work/text.utf8" "$name over $(basename "$cue_file")"; done
done
compare "$corpus/pairs/tomsa_SE_latin1/SE.srt" "$corpus/pairs/tomsa_SE_latin1/SE.txt" \
  "$corpus/pairs/tomsa_SE_utf8/SE.txt" "tomsa_SE_latin1 against tomsa_SE_utf8"

echo "$compared UTF-8 texts compared with their Windows-1252 twins ($retimed re-timed, the others ending with \" Fehler\" alike), $failed differ"
[ "$failed" -eq 0 ]
