#include "bench/film_pair.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "text/files.h"

namespace rt {
namespace bench {

namespace {

std::string two_digits(int v) { return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)}; }

std::string timecode(int ms) {
  return two_digits(ms / 3600000) + ":" + two_digits(ms / 60000 % 60) + ":" + two_digits(ms / 1000 % 60) + "," +
         std::to_string(1000 + ms % 1000).substr(1);
}

void stop(const char* what, const std::string& path) {
  std::fprintf(stderr, "%s %s\n", what, path.c_str());
  std::abort();
}

}  // namespace

std::string prose(std::size_t length) {
  static const std::string pool = [] {
    const char* names[] = {"kafka_verwandlung.txt",      "spyri_heidi_teil.txt",
                           "grimm_khm_auswahl.txt",      "hoffmann_der_goldne_topf.txt",
                           "goethe_werther_erstes_buch.txt", "hmann_der_untertan_teil.txt",
                           "lessing_emilia_galotti.txt", "schiller_die_raeuber_teil.txt"};
    std::string joined;
    for (const char* name : names) {
      const std::string path = std::string(RETIME_CORPUS_DIR) + "/text/" + name;
      if (open_input(path, 1) != 0) stop("missing corpus text", path);
      joined += read_all(1);
      close_file(1);
    }
    return joined;
  }();
  std::string text;
  while (text.size() < length) text += pool.substr(0, length - text.size());
  return text;
}

std::vector<std::string> film_lines(bool long_closing_cue) {
  std::vector<std::string> lines;
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  int clock = 20000;
  int spoken = 0;
  for (int cue = 1; cue <= kFilmCues; ++cue) {
    int duration = 1000 + static_cast<int>(next() % 5001);
    if (cue == kFilmCues && long_closing_cue) duration = spoken;
    spoken += duration;
    lines.push_back(std::to_string(cue));
    lines.push_back(timecode(clock) + " --> " + timecode(clock + duration));
    lines.push_back("Alter Untertitel");
    lines.push_back("");
    clock += duration + static_cast<int>(next() % 800);
  }
  return lines;
}

void write_pair_files(const std::string& text_path, const std::string& text, const std::string& timecode_path,
                      const std::vector<std::string>& lines) {
  if (open_output(text_path, 1) != 0) stop("cannot write", text_path);
  write_line(1, text);
  if (open_output(timecode_path, 2) != 0) stop("cannot write", timecode_path);
  for (const std::string& line : lines) write_line(2, line);
  close_all();
}

}  // namespace bench
}  // namespace rt
