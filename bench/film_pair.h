// The feature-film pair the engine's benchmarks re-time: German prose from
// the sample corpus and a timecode file of 1,500 cues, always the same.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace rt {
namespace bench {

inline constexpr std::size_t kFilmTextBytes = 90000;
inline constexpr int kFilmCues = 1500;

// The corpus texts joined in a fixed order, read as the engine reads a text
// file (CR LF as LF), repeated to length bytes. Stops the program when a
// corpus text is missing.
std::string prose(std::size_t length);

// The lines of a timecode file of kFilmCues cues, 1 to 6 seconds each with
// short gaps, each with its number, its timecode line, one line of words
// and an empty line. With a long closing cue, the last cue lasts as long as
// all the others together: the other cues then owe only half the vowels at
// the factor 1.0, and the search climbs pass by pass to about 2 (about a
// thousand passes).
std::vector<std::string> film_lines(bool long_closing_cue);

// Writes text as the file text_path and lines, each ended by CR LF, as the
// file timecode_path, through the numbered files. Stops the program when a
// file cannot be written.
void write_pair_files(const std::string& text_path, const std::string& text, const std::string& timecode_path,
                      const std::vector<std::string>& lines);

}  // namespace bench
}  // namespace rt
