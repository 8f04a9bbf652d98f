// Output entries: one written cue of the re-timed file.
#pragma once

#include <string>

namespace rt {

// Writes one entry to file 3 as four lines, each ended by CR LF: the number
// line, the timecode line as read, the segment, and an empty line. The
// segment goes out unchanged, not trimmed, and any LF bytes inside it stay
// bare LF. Nothing is written when file 3 holds no file; the outcome of
// writing is not tested.
void write_cue(const std::string& number_line, const std::string& timecode_line, const std::string& segment);

}  // namespace rt
