#include "retime/output.h"

#include <cstring>

#include "retime/pair_files.h"
#include "text/files.h"

namespace rt {

namespace {

// The next position at or after from in data[0, size) that holds byte, or
// size; memchr looks at many bytes at a time.
std::size_t next_byte(const char* data, std::size_t size, std::size_t from, char byte) {
  if (from >= size) return size;
  const void* at = std::memchr(data + from, byte, size - from);
  return at == nullptr ? size : static_cast<std::size_t>(static_cast<const char*>(at) - data);
}

bool holds_more_than_blanks(const char* data, std::size_t from, std::size_t end) {
  for (std::size_t i = from; i < end; ++i) {
    if (data[i] != ' ' && data[i] != '\t') return true;
  }
  return false;
}

}  // namespace

std::string cue_text_as_written(std::string_view segment) {
  const char* data = segment.data();
  const std::size_t size = segment.size();
  // The next LF and the next CR each, found again only once passed, so a
  // long segment is crossed once whatever its lines.
  std::size_t next_lf = next_byte(data, size, 0, '\n');
  std::size_t next_cr = next_byte(data, size, 0, '\r');
  if (next_lf == size && next_cr == size) return std::string(segment);
  std::string written;
  written.reserve(size + size / 8);
  for (std::size_t start = 0;;) {
    if (next_lf < start) next_lf = next_byte(data, size, start, '\n');
    if (next_cr < start) next_cr = next_byte(data, size, start, '\r');
    const std::size_t end = next_lf < next_cr ? next_lf : next_cr;
    if (holds_more_than_blanks(data, start, end)) {
      if (!written.empty()) written += kWrittenLineEnd;
      written.append(data + start, end - start);
    }
    if (end == size) break;
    start = end + 1;
  }
  return written;
}

void write_cue(std::string_view number_line, std::string_view timecode_line, std::string_view segment) {
  write_line(kOutputFile, number_line);
  write_line(kOutputFile, timecode_line);
  const bool one_line = next_byte(segment.data(), segment.size(), 0, '\n') == segment.size() &&
                        next_byte(segment.data(), segment.size(), 0, '\r') == segment.size();
  if (one_line) {
    write_line(kOutputFile, segment);  // as it is, without a copy
  } else {
    write_line(kOutputFile, cue_text_as_written(segment));
  }
  write_line(kOutputFile, "");
}

}  // namespace rt
