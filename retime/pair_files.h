// The numbers under which the files of one pair are open while it is
// re-timed: the driver opens them, the engine reads, writes and closes them.
#pragma once

namespace rt {

inline constexpr int kTextFile = 1;      // the text, input
inline constexpr int kTimecodeFile = 2;  // the timecode file, input
inline constexpr int kOutputFile = 3;    // the re-timed cue file, output

}  // namespace rt
