// The quick forms a pair's load takes, on arbitrary bytes, each against
// its plain form:
// - LineList cuts the input, read as a character stream, into the lines
//   read_line gives (the plain model of fuzz_support), as many and the same,
//   one empty line for an empty stream;
// - cue_duration_at of every line holding the arrow is cue_duration of that
//   line, and so is it for lines of the usual layout made from the input's
//   bytes (digits, with some bytes left as they are, so that lines just
//   short of the layout meet the general path);
// - is_number_line of every line is "number_text of its full reading is the
//   line and finite";
// - class_masks of every 64 bytes, and of the shorter rest, is
//   class_masks_plain of them;
// - cue_text_as_written of the input and of its lines is what the plain
//   cutting at CR and LF gives (lines that are empty or blanks and tabs
//   only left out, the others joined by CR LF; a text without a line end as
//   it is).
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "retime/byte_classes.h"
#include "retime/output.h"
#include "retime/timecode.h"
#include "text/lines.h"
#include "text/numbers.h"

namespace {

using rt::fuzz::fail;
using rt::fuzz::require;
using rt::fuzz::shown;

std::string plain_cue_text(const std::string& segment) {
  if (segment.find_first_of("\r\n") == std::string::npos) return segment;
  std::string written;
  for (std::size_t start = 0; start <= segment.size();) {
    std::size_t end = segment.find_first_of("\r\n", start);
    if (end == std::string::npos) end = segment.size();
    const std::size_t shown_at = segment.find_first_not_of(" \t", start);
    if (shown_at != std::string::npos && shown_at < end) {
      if (!written.empty()) written += "\r\n";
      written.append(segment, start, end - start);
    }
    start = end + 1;
  }
  return written;
}

bool plain_number_line(const std::string& t) {
  const double value = rt::to_number_in_full(t);
  return std::isfinite(value) && rt::number_text(value) == t;
}

void check_duration(const std::string& line) {
  const std::size_t arrow = line.find("-->");
  if (arrow == std::string::npos) return;
  if (rt::cue_duration_at(line, arrow) != rt::cue_duration(line)) {
    fail("cue_duration_at is cue_duration", shown(line));
  }
}

// "hh:mm:ss,mmm --> hh:mm:ss,mmm" with the digits taken from bytes from
// from on; a byte below 16 is left in its place as it is (a line just off
// the layout), and one of 16 to 31 ends the line there.
std::string usual_line_from(const std::string& bytes, std::size_t from) {
  const std::string shape = "00:00:00,000 --> 00:00:00,000";
  std::string line;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    const unsigned char byte = from + i < bytes.size() ? static_cast<unsigned char>(bytes[from + i]) : '0';
    if (byte >= 16 && byte < 32) break;
    if (byte < 16) {
      line += static_cast<char>(byte);
    } else {
      line += shape[i] == '0' ? static_cast<char>('0' + byte % 10) : shape[i];
    }
  }
  return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = rt::fuzz::input_text(data, size);
  const std::string stream = rt::fuzz::character_stream(bytes);

  std::vector<std::string> expected = rt::fuzz::line_texts(rt::fuzz::stream_lines(stream));
  // The engine reads a line before it asks whether the file is at its end:
  // an empty stream gives one empty line.
  if (expected.empty()) expected.push_back(std::string());
  const rt::LineList lines(stream);
  require(lines.size() == expected.size(), "LineList has read_line's number of lines", shown(bytes));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != expected[i]) fail("LineList gives read_line's lines", "line " + std::to_string(i + 1) + " of " + shown(bytes));
    const std::string line(lines[i]);
    check_duration(line);
    if (rt::is_number_line(lines[i]) != plain_number_line(line)) fail("is_number_line is its plain form", shown(line));
    if (rt::cue_text_as_written(lines[i]) != plain_cue_text(line)) fail("cue_text_as_written is its plain form", shown(line));
  }
  require(rt::LineList(expected).texts() == expected, "LineList of texts gives them back");

  for (std::size_t from = 0; from < bytes.size(); from += 29) check_duration(usual_line_from(bytes, from));

  const unsigned char* raw = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t from = 0; from < bytes.size(); from += 64) {
    const std::size_t count = bytes.size() - from < 64 ? bytes.size() - from : 64;
    const rt::ClassMasks fast = rt::class_masks(raw + from, count);
    const rt::ClassMasks compared = rt::class_masks_by_comparison(raw + from, count);
    const rt::ClassMasks plain = rt::class_masks_plain(raw + from, count);
    if (fast.vowels != plain.vowels || fast.breaks != plain.breaks || fast.blanks != plain.blanks ||
        compared.vowels != plain.vowels || compared.breaks != plain.breaks || compared.blanks != plain.blanks) {
      fail("class_masks is its plain form", shown(bytes.substr(from, count)));
    }
  }

  require(rt::cue_text_as_written(bytes) == plain_cue_text(bytes), "cue_text_as_written is its plain form",
          shown(bytes));
  return 0;
}
