// Millisecond values of timecodes ("hh:mm:ss,mmm") and cue durations.
//
// Fields are taken by fixed positions, never by searching for separators,
// and no input is rejected: a malformed text still yields a number.
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>
#include <string_view>

namespace rt {

// A line of the timecode file holding this is a cue's timecode line.
inline const std::string kArrow = "-->";

// Whether line is a cue's timecode line: it holds the arrow anywhere.
inline bool is_cue_line(std::string_view line) { return line.find(kArrow) != std::string_view::npos; }

// Hours from positions 1-2, minutes 4-5, seconds 7-8, milliseconds from 10
// to the end, each read with to_number and summed in double precision; the
// sum rounded half to even. A sum outside the signed 32-bit range (infinite
// and not-a-number included) gives -2147483648; the range is judged after the
// rounding, so 2147483647.4 gives 2147483647 and 2147483647.5 the lowest value.
std::int32_t timecode_to_ms(const std::string& timecode);

struct TimecodeTexts {
  std::string start;
  std::string end;
};

// Splits a line at its first "-->": the start text drops the one character
// before the arrow, the end text skips the one character after it.
TimecodeTexts split_timecode_line(const std::string& line);

// End value minus start value, wrapping as signed 32-bit arithmetic does
// (computed in 64 bits and reduced modulo 2^32, so nothing overflows):
// start -2147483648 and end 1000 give -2147482648.
std::int32_t cue_duration(const std::string& line);

// cue_duration of a line whose first arrow begins at the 0-based index
// arrow, without copying it: a line of exactly the usual layout, both
// times "hh:mm:ss,mmm" with digits in every field (whatever stands between
// the fields), is read digit by digit, where its fields are whole numbers
// and their sum is exact; every other line goes through cue_duration.
std::int32_t cue_duration_at(std::string_view line, std::size_t arrow);

// The length of a timecode line of the usual layout,
// "hh:mm:ss,mmm --> hh:mm:ss,mmm".
inline constexpr std::size_t kUsualTimecodeLineLength = 29;

// usual_cue_duration of a line of kUsualTimecodeLineLength characters.
bool usual_length_cue_duration(std::string_view line, std::int32_t& duration);

// Whether line is a timecode line of exactly the usual layout, its arrow
// the first, and then its cue_duration in duration: what a file's load
// asks of most of its lines, answered without looking for the arrow, and
// for most of them by their length alone.
inline bool usual_cue_duration(std::string_view line, std::int32_t& duration) {
  return line.size() == kUsualTimecodeLineLength && usual_length_cue_duration(line, duration);
}

}  // namespace rt
