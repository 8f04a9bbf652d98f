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

// Hands the pieces of the cue text written for segment to put, in order:
// its lines that are kept and the line ends between them.
template <typename Put>
void put_cue_text(std::string_view segment, Put put) {
  const char* data = segment.data();
  const std::size_t size = segment.size();
  // The next LF and the next CR each, found again only once passed, so a
  // long segment is crossed once whatever its lines.
  std::size_t next_lf = next_byte(data, size, 0, '\n');
  std::size_t next_cr = next_byte(data, size, 0, '\r');
  if (next_lf == size && next_cr == size) {
    put(segment);
    return;
  }
  bool first_line = true;
  for (std::size_t start = 0;;) {
    if (next_lf < start) next_lf = next_byte(data, size, start, '\n');
    if (next_cr < start) next_cr = next_byte(data, size, start, '\r');
    const std::size_t end = next_lf < next_cr ? next_lf : next_cr;
    if (holds_more_than_blanks(data, start, end)) {
      if (!first_line) put(kWrittenLineEnd);
      put(segment.substr(start, end - start));
      first_line = false;
    }
    if (end == size) break;
    start = end + 1;
  }
}

}  // namespace

std::string cue_text_as_written(std::string_view segment) {
  std::string written;
  put_cue_text(segment, [&written](std::string_view piece) { written.append(piece); });
  return written;
}

void write_cue(std::string_view number_line, std::string_view timecode_line, std::string_view segment) {
  CueWriter().write(number_line, timecode_line, segment);
}

void CueWriter::write(std::string_view number_line, std::string_view timecode_line, std::string_view segment) {
  // The most the entry can take: a kept line end of the segment grows by
  // one byte (LF to CR LF), and the entry's own three line ends.
  const std::size_t room = number_line.size() + timecode_line.size() + 2 * segment.size() + 6;
  if (entry_.size() < room) entry_.resize(room);
  char* const start = &entry_[0];
  char* out = start;
  auto put = [&out](std::string_view piece) {
    if (piece.empty()) return;  // an empty view may hold no address at all
    std::memcpy(out, piece.data(), piece.size());
    out += piece.size();
  };
  put(number_line);
  put(kWrittenLineEnd);
  put(timecode_line);
  put(kWrittenLineEnd);
  put_cue_text(segment, put);
  put(kWrittenLineEnd);
  // write_line ends the entry with the line end of its empty last line.
  write_line(kOutputFile, std::string_view(start, static_cast<std::size_t>(out - start)));
}

}  // namespace rt
