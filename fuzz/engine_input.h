// How the engine's fuzz targets cut one input into a timecode file and a
// text: the timecode file is everything before the first 0x1A byte, the
// text everything after it. Without a 0x1A the input is both: a subtitle
// file then re-times itself, which gives real searches from plain subtitle
// files. Files never deliver a 0x1A byte (it ends their character stream),
// so the split loses no input the program can meet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"

namespace rt::fuzz {

struct EngineInput {
  std::string text;
  // The timecode file's lines as the engine reads them: at least one, since
  // a read is tried before the end is tested.
  std::vector<std::string> timecode_lines;
};

inline EngineInput engine_input(const std::string& input) {
  EngineInput cut;
  const std::size_t end_byte = input.find('\x1A');
  const std::string stream = character_stream(input);  // stops at the 0x1A
  cut.text = end_byte == std::string::npos ? stream : input.substr(end_byte + 1);
  cut.timecode_lines = line_texts(stream_lines(stream));
  if (cut.timecode_lines.empty()) cut.timecode_lines.push_back(std::string());
  return cut;
}

// Short enough that one input runs in milliseconds; long searches are cut
// off as failures, which is one of the outcomes checked.
inline constexpr std::int64_t kFuzzMaxPasses = 2000;

}  // namespace rt::fuzz
