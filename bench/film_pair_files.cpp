// Writes the engine benchmark's long-search pair as files, for timing whole
// processes on it:
//
//   film_pair_files DIRECTORY
//
// makes DIRECTORY/film.txt (the 90 KB of prose) and DIRECTORY/film.srt (the
// 1,500 cues with the long closing cue, about a thousand passes); retime on
// DIRECTORY writes DIRECTORY/untertitel/film..src from them.
#include <cstdio>
#include <string>

#include "bench/film_pair.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: film_pair_files DIRECTORY\n");
    return 2;
  }
  const std::string directory = argv[1];
  rt::bench::write_pair_files(directory + "/film.txt", rt::bench::prose(rt::bench::kFilmTextBytes),
                              directory + "/film.srt", rt::bench::film_lines(true));
  return 0;
}
