// Timecode values on arbitrary lines: timecode_to_ms, split_timecode_line,
// cue_duration.
//
// Checks, besides the sanitizers:
// - the separator positions 3, 6 and 9 are never looked at: putting ":",
//   ":" and "," there leaves the value of a text of 9 bytes or more alone;
// - whatever follows a blank after the milliseconds is ignored: appending
//   " x" to a text of 9 bytes or more leaves its value alone;
// - a well-formed hh:mm:ss,mmm made of input digits gives exactly
//   h*3600000 + m*60000 + s*1000 + ms, and a line of two of them joined by
//   " --> " lasts exactly the difference;
// - a line holding the arrow splits into a leading part of the line that
//   stops one byte before its first arrow and a trailing part that begins
//   one byte after it, and its duration is the difference of their values
//   wrapped to 32 bits.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "retime/timecode.h"
#include "text/texts.h"

namespace {

using rt::fuzz::require;
using rt::fuzz::shown;

constexpr std::size_t kFieldsEnd = 9;  // hh:mm:ss, : the fixed part

std::int32_t wrapped_difference(std::int32_t end, std::int32_t start) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(end) - static_cast<std::uint32_t>(start));
}

// A well-formed timecode of twelve digits and separators from nine input
// bytes, and its value worked out from the digits.
struct MadeTimecode {
  std::string text;
  std::int32_t ms = 0;
};

MadeTimecode timecode_from(const std::string& bytes, std::size_t from) {
  int digit[kFieldsEnd];
  for (std::size_t i = 0; i < kFieldsEnd; ++i) digit[i] = static_cast<unsigned char>(bytes[from + i]) % 10;
  auto two = [&](int i) { return std::to_string(digit[i]) + std::to_string(digit[i + 1]); };
  MadeTimecode made;
  made.text = two(0) + ":" + two(2) + ":" + two(4) + "," + two(6) + std::to_string(digit[8]);
  made.ms = (digit[0] * 10 + digit[1]) * 3600000 + (digit[2] * 10 + digit[3]) * 60000 +
            (digit[4] * 10 + digit[5]) * 1000 + digit[6] * 100 + digit[7] * 10 + digit[8];
  return made;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line = rt::fuzz::input_text(data, size);
  const std::int32_t value = rt::timecode_to_ms(line);

  if (line.size() >= kFieldsEnd) {
    std::string separated = line;
    separated[2] = ':';
    separated[5] = ':';
    separated[8] = ',';
    require(rt::timecode_to_ms(separated) == value, "separator positions are never looked at", shown(line));
    require(rt::timecode_to_ms(line + " x") == value, "text after a blank is ignored", shown(line));

    const MadeTimecode start = timecode_from(line, 0);
    require(rt::timecode_to_ms(start.text) == start.ms, "well-formed timecode gives its exact value",
            start.text);
    if (line.size() >= 2 * kFieldsEnd) {
      const MadeTimecode end = timecode_from(line, kFieldsEnd);
      require(rt::cue_duration(start.text + " --> " + end.text) == end.ms - start.ms,
              "well-formed cue lasts end minus start", start.text + " --> " + end.text);
    }
  }

  const rt::Pos arrow = rt::find(1, line, "-->");
  if (arrow != 0) {
    const rt::TimecodeTexts texts = rt::split_timecode_line(line);
    const std::size_t arrow_index = static_cast<std::size_t>(arrow - 1);
    const std::size_t start_size = arrow_index >= 1 ? arrow_index - 1 : 0;
    const std::size_t end_from = arrow_index + 4;
    const std::size_t end_size = line.size() > end_from ? line.size() - end_from : 0;
    require(texts.start == line.substr(0, start_size), "start text stops one byte before the arrow",
            shown(line));
    require(texts.end.size() == end_size && line.compare(line.size() - end_size, end_size, texts.end) == 0,
            "end text begins one byte after the arrow", shown(line));
    require(rt::find(1, texts.start, "-->") == 0, "the split takes the first arrow", shown(line));
    require(rt::cue_duration(line) ==
                wrapped_difference(rt::timecode_to_ms(texts.end), rt::timecode_to_ms(texts.start)),
            "duration is end minus start, wrapped to 32 bits", shown(line));
  }
  return 0;
}
