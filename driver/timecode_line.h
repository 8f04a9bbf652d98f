// The shape of a timecode line, as the scan recognises timecode files by it
// and as the reasons for skipped files tell what is wrong with one.
#pragma once

#include <string>

namespace rt {

// The cue shape a timecode line must have, and the characters it keeps when
// every other character of its first 29 is masked with "x".
constexpr const char* timecode_mask = "xx:xx:xx,xxx --> xx:xx:xx,xxx";
constexpr int kTimecodeMaskLength = 29;
constexpr const char* timecode_kept_characters = ":,-> ";

// A line of exactly the timecode shape: 29 characters that are the mask's
// kept characters where it has them and any others where it has x.
bool is_timecode_line(const std::string& line);

}  // namespace rt
