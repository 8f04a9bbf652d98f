// Output entries: one written cue of the re-timed file.
#pragma once

#include <string>
#include <string_view>

namespace rt {

// The line end of every line of an output file, the line ends inside a
// cue's text included.
inline const std::string kWrittenLineEnd = "\r\n";

// A segment as a cue's text is written. A cue must hold no empty or blank
// line, which a subtitle reader would take for the end of the cue: the
// segment is cut into lines at its line-end bytes (LF, and CR, which the
// text holds before an LF where its file had CR CR LF), the lines that are
// empty or hold nothing but blanks and tabs are left out (so line ends at
// its start and end go, and a run of them becomes one), and the others are
// joined by CR LF, the line end of every other line of the file. A segment
// without a line-end byte is written as it is, not trimmed.
std::string cue_text_as_written(std::string_view segment);

// Writes one entry to file 3 as four lines, each ended by CR LF: the number
// line, the timecode line as read, the segment as cue_text_as_written gives
// it, and an empty line. Nothing is written when file 3 holds no file; the
// outcome of writing is not tested.
void write_cue(std::string_view number_line, std::string_view timecode_line, std::string_view segment);

// write_cue for the entries of a pass: each entry made in one buffer kept
// from entry to entry and written in one piece, so that an entry costs no
// allocation. The bytes are write_cue's.
class CueWriter {
 public:
  void write(std::string_view number_line, std::string_view timecode_line, std::string_view segment);

 private:
  std::string entry_;
};

}  // namespace rt
