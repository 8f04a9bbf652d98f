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

void append_cue_text_as_written(std::string& out, std::string_view segment) {
  const char* data = segment.data();
  const std::size_t size = segment.size();
  // The next LF and the next CR each, found again only once passed, so a
  // long segment is crossed once whatever its lines.
  std::size_t next_lf = next_byte(data, size, 0, '\n');
  std::size_t next_cr = next_byte(data, size, 0, '\r');
  if (next_lf == size && next_cr == size) {
    out.append(segment);
    return;
  }
  bool first_line = true;
  for (std::size_t start = 0;;) {
    if (next_lf < start) next_lf = next_byte(data, size, start, '\n');
    if (next_cr < start) next_cr = next_byte(data, size, start, '\r');
    const std::size_t end = next_lf < next_cr ? next_lf : next_cr;
    if (holds_more_than_blanks(data, start, end)) {
      if (!first_line) out += kWrittenLineEnd;
      out.append(data + start, end - start);
      first_line = false;
    }
    if (end == size) break;
    start = end + 1;
  }
}

std::string cue_text_as_written(std::string_view segment) {
  std::string written;
  append_cue_text_as_written(written, segment);
  return written;
}

void write_cue(std::string_view number_line, std::string_view timecode_line, std::string_view segment) {
  CueWriter().write(number_line, timecode_line, segment);
}

void CueWriter::write(std::string_view number_line, std::string_view timecode_line, std::string_view segment) {
  entry_.clear();
  entry_.append(number_line);
  entry_ += kWrittenLineEnd;
  entry_.append(timecode_line);
  entry_ += kWrittenLineEnd;
  append_cue_text_as_written(entry_, segment);
  entry_ += kWrittenLineEnd;
  // write_line ends the entry with the line end of its empty last line.
  write_line(kOutputFile, entry_);
}

}  // namespace rt
