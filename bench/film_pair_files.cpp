// Writes the engine benchmark's feature-film pair as files, for timing
// whole processes on it:
//
//   film_pair_files DIRECTORY [film|long]
//
// makes DIRECTORY/film.txt (the 90 KB of prose) and DIRECTORY/film.srt (the
// 1,500 cues; with "long", the default, the long closing cue that makes the
// search climb for about a thousand passes, with "film" the cues alone);
// retime on DIRECTORY writes DIRECTORY/untertitel/film..src from them.
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/film_pair.h"

int main(int argc, char** argv) {
  const bool known_kind = argc == 2 || (argc == 3 && (std::strcmp(argv[2], "film") == 0 || std::strcmp(argv[2], "long") == 0));
  if (!known_kind) {
    std::fprintf(stderr, "usage: film_pair_files DIRECTORY [film|long]\n");
    return 2;
  }
  const bool long_closing_cue = argc == 2 || std::strcmp(argv[2], "long") == 0;
  const std::string directory = argv[1];
  rt::bench::write_pair_files(directory + "/film.txt", rt::bench::prose(rt::bench::kFilmTextBytes),
                              directory + "/film.srt", rt::bench::film_lines(long_closing_cue));
  return 0;
}
