#!/bin/sh
# Times whole processes on the engine benchmark's long-search pair (1,500
# cues, about a thousand passes) in a memory file system: retime on a
# directory holding only that pair against plain_retime, the plain reading
# (every pass re-reads the timecode file and rescans the text), side by side
# in rounds, and checks that both write the same bytes.
#
#   bench/compare_plain.sh BUILD_DIR [ROUNDS]
#
# BUILD_DIR is a build with -DRETIME_BENCH=ON and the targets retime,
# film_pair_files, plain_retime and time_processes built. Each round runs
# plain_retime once and retime ten times (with time_processes: the medians of
# wall-clock and processor time); printed are the medians over the rounds,
# their ratios, and as a yardstick retime on an empty directory (what
# starting the process costs). The files lie in /dev/shm (a tmpfs on
# Linux), or in $TMPDIR where that is missing.
set -eu

build=${1:?usage: bench/compare_plain.sh BUILD_DIR [ROUNDS]}
rounds=${2:-3}
for program in driver/retime bench/film_pair_files bench/plain_retime bench/time_processes; do
  [ -x "$build/$program" ] || { echo "missing $build/$program" >&2; exit 2; }
done

memory=/dev/shm
[ -d "$memory" ] || memory=${TMPDIR:-/tmp}
work=$(mktemp -d "$memory/retime-plain-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/pair" "$work/empty" "$work/bin"
# A copy of the program, so that its settings file (beside argument 0) lies
# here and not in the build.
cp "$build/driver/retime" "$work/bin/retime"
"$build/bench/film_pair_files" "$work/pair"

timer=$build/bench/time_processes
round=1
while [ "$round" -le "$rounds" ]; do
  "$timer" 1 "$build/bench/plain_retime" "$work/pair/film.txt" "$work/pair/film.srt" "$work/plain.src" >>"$work/plain.times"
  "$timer" 10 "$work/bin/retime" -- "$work/pair" >>"$work/retime.times"
  "$timer" 10 "$work/bin/retime" -- "$work/empty" >>"$work/empty.times"
  round=$((round + 1))
done

if ! cmp -s "$work/pair/untertitel/film..src" "$work/plain.src"; then
  echo "the outputs differ" >&2
  exit 1
fi

# The median of column $2 of file $1.
median() { awk -v c="$2" '{ print $c }' "$1" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "same output bytes ($(wc -c <"$work/plain.src") bytes); medians of $rounds rounds, in seconds:"
for name in retime plain empty; do
  echo "$name $(median "$work/$name.times" 1) $(median "$work/$name.times" 2)"
done | awk '
  { label = $1 == "retime" ? "retime on the pair" : $1 == "plain" ? "plain reading" : "retime, empty directory"
    printf "  %-24s wall %.4f  processor %.4f\n", label, $2, $3; wall[$1] = $2; cpu[$1] = $3 }
  END { printf "  ratio plain / retime:    wall %.0f  processor %.0f\n", wall["plain"] / wall["retime"], cpu["plain"] / cpu["retime"] }'
