#include "driver/timecode_line.h"

#include "text/texts.h"

namespace rt {
namespace {

// The line with every one of its first 29 characters that is not a kept
// character replaced by "x"; characters from the 30th on stay.
std::string masked_line(std::string line) {
  const std::string kept = timecode_kept_characters;
  for (int i = 0; i < kTimecodeMaskLength; ++i) {
    if (kept.find(line[i]) == std::string::npos) line[i] = 'x';
  }
  return line;
}

}  // namespace

bool is_timecode_line(const std::string& line) {
  if (text_length(line) < kTimecodeMaskLength) return false;
  // The whole line is compared, so anything after the second time (a
  // trailing blank, position data) spoils the match.
  return masked_line(line) == timecode_mask;
}

}  // namespace rt
