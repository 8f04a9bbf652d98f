#!/bin/sh
# Times whole processes of two builds of retime side by side, in one run, in
# a memory file system: /bin/true (what starting any process costs),
# retime --version, retime on an empty directory, on the engine benchmark's
# feature-film pair (1,500 cues, 90 KB of prose) and on its long-search pair
# (the same with a closing cue as long as all others: about a thousand
# passes). Checks that both builds write the same bytes for both pairs.
# Beside them it times the film pair's file work alone (bench/pair_file_work:
# its two files read and its output's bytes written through a temporary,
# nothing computed), the floor under the film pair's own time.
#
#   bench/compare_builds.sh OLD_RETIME NEW_BUILD_DIR [RUNS]
#
# OLD_RETIME is the program to compare against (an older build's
# driver/retime); NEW_BUILD_DIR is a build with -DRETIME_BENCH=ON and the
# targets retime, film_pair_files, pair_file_work and time_processes built.
# Each of the RUNS rounds (default 21) starts every case of both builds
# once, in turn, so that a busy moment of the machine falls on all of them
# alike; printed are
# the medians of wall-clock and processor time (user and system) in
# milliseconds and the ratios new / old. With CALLGRIND=1 in the
# environment and valgrind on PATH, the instructions of one film-pair run of
# each build are counted too. The files lie in /dev/shm (a tmpfs on Linux),
# or in $TMPDIR where that is missing.
set -eu

usage="usage: bench/compare_builds.sh OLD_RETIME NEW_BUILD_DIR [RUNS]"
old=${1:?$usage}
build=${2:?$usage}
runs=${3:-21}
[ -x "$old" ] || { echo "missing $old" >&2; exit 2; }
for program in driver/retime bench/film_pair_files bench/pair_file_work bench/time_processes; do
  [ -x "$build/$program" ] || { echo "missing $build/$program" >&2; exit 2; }
done

memory=/dev/shm
[ -d "$memory" ] || memory=${TMPDIR:-/tmp}
work=$(mktemp -d "$memory/retime-builds-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/film" "$work/long" "$work/empty" "$work/old" "$work/new"
# Copies of the programs, so that their settings files (beside argument 0)
# lie here and not in the builds.
cp "$old" "$work/old/retime"
cp "$build/driver/retime" "$work/new/retime"
"$build/bench/film_pair_files" "$work/film" film
"$build/bench/film_pair_files" "$work/long" long

timer=$build/bench/time_processes
# One run of case $1 by build $2 (old or new), its wall and processor time
# appended to $work/$1.$2.
run_case() {
  case $1 in
    true) "$timer" 1 /bin/true ;;
    version) "$timer" 1 "$work/$2/retime" --version ;;
    *) "$timer" 1 "$work/$2/retime" -- "$work/$1" ;;
  esac >>"$work/$1.$2"
}

cases="true version empty film long"
for build_name in old new; do
  # Each pair's output of this build, kept for the comparison.
  for pair in film long; do
    "$work/$build_name/retime" -- "$work/$pair" >/dev/null
    cp "$work/$pair/untertitel/film..src" "$work/$pair.$build_name.src"
  done
done
for pair in film long; do
  if ! cmp -s "$work/$pair.old.src" "$work/$pair.new.src"; then
    echo "the outputs of the $pair pair differ" >&2
    exit 1
  fi
done

round=1
while [ "$round" -le "$runs" ]; do
  for name in $cases; do
    run_case "$name" old
    run_case "$name" new
  done
  "$timer" 1 "$build/bench/pair_file_work" - >>"$work/work.start"
  "$timer" 1 "$build/bench/pair_file_work" "$work/film" >>"$work/work.film"
  round=$((round + 1))
done

# The median of column $2 of file $1, in milliseconds.
median() { awk -v c="$2" '{ print $c * 1000 }' "$1" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "same output bytes for both pairs; medians of $runs runs each, in ms (wall, processor):"
printf '  %-22s %15s %15s %12s\n' case old new "new / old"
for name in $cases; do
  ow=$(median "$work/$name.old" 1); op=$(median "$work/$name.old" 2)
  nw=$(median "$work/$name.new" 1); np=$(median "$work/$name.new" 2)
  echo "$name $ow $op $nw $np"
done | awk '
  BEGIN { label["true"] = "/bin/true"; label["version"] = "retime --version"; label["empty"] = "empty directory"
          label["film"] = "film pair"; label["long"] = "long-search pair" }
  {
    printf "  %-22s %6.2f %6.2f   %6.2f %6.2f   %5.2f\n", label[$1], $2, $3, $4, $5, $4 / $2
    wall_old[$1] = $2; wall_new[$1] = $4 }
  END {
    printf "  --version / true:   old %.2f  new %.2f\n", wall_old["version"] / wall_old["true"], wall_new["version"] / wall_new["true"]
    printf "  film / empty:       old %.2f  new %.2f\n", wall_old["film"] / wall_old["empty"], wall_new["film"] / wall_new["empty"]
    printf "  film - empty:       old %.2f  new %.2f\n", wall_old["film"] - wall_old["empty"], wall_new["film"] - wall_new["empty"]
  }'
work_start=$(median "$work/work.start" 1)
work_film=$(median "$work/work.film" 1)
awk -v s="$work_start" -v f="$work_film" 'BEGIN { printf "  the film pair'"'"'s file work alone: %.2f (pair_file_work, less its start)\n", f - s }'

if [ "${CALLGRIND:-0}" = 1 ] && command -v valgrind >/dev/null; then
  for build_name in old new; do
    count=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$work/$build_name/retime" -- "$work/film" 2>&1 >/dev/null |
      awk '/Collected/ { print $NF }')
    echo "  instructions of a film-pair run, $build_name: $count"
  done
fi
