#!/bin/sh
# Makes a directory of generated pairs for measuring and looking at the
# readability page of a large run (retime --report): by default 200 pairs,
# about 67,000 cues in all. Most pairs are episodes of 20 to 600 cues; four
# are films of 2,500 to 5,000 cues and one a season of 20,000. Each cue
# lasts 0.8 to 6 seconds with a gap of up to a second; each text is German
# prose from the sample corpus (ISO 8859-1, every tenth pair UTF-8), sized
# for an average reading speed between 9 and 22 characters per second, so
# that some pairs have many cues too fast and some run out of text or keep
# text left over. One more timecode file has a text without a vowel (the
# pair ends with " Fehler") and one has no text file at all.
#
#   bench/report_pairs.sh DIRECTORY [PAIRS] [SEED]
#
# DIRECTORY must not exist yet. The same PAIRS and SEED give the same files.
set -eu

dir=${1:?usage: bench/report_pairs.sh DIRECTORY [PAIRS] [SEED]}
pairs=${2:-200}
seed=${3:-1}
here=$(cd "$(dirname "$0")" && pwd)
corpus=${RETIME_CORPUS_DIR:-$here/../../shared/corpus}
[ -d "$corpus/text" ] || { echo "sample corpus not found: $corpus (set RETIME_CORPUS_DIR)" >&2; exit 2; }
[ -e "$dir" ] && { echo "$dir exists already" >&2; exit 2; }
mkdir -p "$dir"

# The prose the texts are cut from, each pool three times over so that a
# cut of any length up to twice its size fits from any offset.
pool=$(mktemp -d)
trap 'rm -rf "$pool"' EXIT
for f in "$corpus"/text/*.txt; do
  case $(basename "$f") in utf8_*) cat "$f" >>"$pool/utf8" ;; *) cat "$f" >>"$pool/latin1" ;; esac
done
for kind in latin1 utf8; do cat "$pool/$kind" "$pool/$kind" "$pool/$kind" >"$pool/$kind.3"; done

# The cues of pair number $1 ($2 cues) into $3; prints the whole duration
# in milliseconds and the reading speed the text is sized for.
timecodes() {
  awk -v pair="$1" -v cues="$2" -v seed="$seed" -v out="$3" '
    function two(n) { return (n < 10 ? "0" : "") n }
    function stamp(ms) {
      return two(int(ms / 3600000)) ":" two(int(ms / 60000) % 60) ":" two(int(ms / 1000) % 60) "," \
             sprintf("%03d", ms % 1000)
    }
    BEGIN {
      srand(seed * 1000 + pair)
      at = 1000 + int(rand() * 20000)
      total = 0
      for (i = 1; i <= cues; ++i) {
        d = 800 + int(rand() * rand() * 5200)
        printf "%d\r\n%s --> %s\r\nx\r\n\r\n", i, stamp(at), stamp(at + d) > out
        total += d
        at += d + int(rand() * rand() * 1000)
      }
      # Most pairs read at 12 to 16 characters per second, a few much
      # faster or slower.
      r = rand()
      cps = r < 0.1 ? 20 + rand() * 2 : r < 0.2 ? 9 + rand() * 2 : 12 + rand() * 4
      printf "%d %d\n", total, cps
    }'
}

total_cues=0
number=1
while [ "$number" -le "$pairs" ]; do
  name=$(printf 'folge_%03d' "$number")
  case $number in
    117) cues=20000 ;;
    23) cues=2500 ;;
    61) cues=3000 ;;
    142) cues=4000 ;;
    188) cues=5000 ;;
    *) cues=$(awk -v n="$number" -v seed="$seed" 'BEGIN { srand(seed * 7919 + n); print 20 + int(rand() * rand() * 600) }') ;;
  esac
  set -- $(timecodes "$number" "$cues" "$dir/$name.srt")
  kind=latin1
  [ $((number % 10)) -eq 0 ] && kind=utf8
  bytes=$(( $1 / 1000 * $2 ))
  size=$(wc -c <"$pool/$kind")
  offset=$(( (number * 104729) % size + 1 ))
  if [ "$bytes" -gt $((2 * size)) ]; then
    # Longer than the pool: the pool over and over.
    while [ "$bytes" -gt 0 ]; do
      cat "$pool/$kind"
      bytes=$((bytes - size))
    done | head -c $(( $1 / 1000 * $2 )) >"$dir/$name.txt"
  else
    tail -c "+$offset" "$pool/$kind.3" | head -c "$bytes" >"$dir/$name.txt"
  fi
  total_cues=$((total_cues + cues))
  number=$((number + 1))
done

# A text with no vowel to spread, and a timecode file without a text.
timecodes 0 40 "$dir/ohne_vokale.srt" >/dev/null
printf 'Brr. Psst. Hm, hm. Tsk tsk.\r\n' >"$dir/ohne_vokale.txt"
timecodes 0 40 "$dir/zzz_ohne_text.srt" >/dev/null
echo "$pairs pairs, $total_cues cues (and two more timecode files of 40 cues) in $dir"
