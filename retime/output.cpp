#include "retime/output.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "retime/pair_files.h"
#include "text/files.h"

namespace rt {

namespace {

#if defined(__SSE2__)
// Bit i set where byte i of the 16 at bytes is a CR or an LF.
inline unsigned line_end_bits(const char* bytes) {
  const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
  const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\n')));
  return static_cast<unsigned>(_mm_movemask_epi8(ends));
}
#endif

// The first position at or after from in data[0, size) that ends a line (a
// CR or an LF), or size. A segment is a line or two of prose: one look at
// sixteen bytes for both bytes at once, the last sixteen of the segment
// taken again for its tail, costs less than a search per byte and call.
std::size_t next_line_end(const char* data, std::size_t size, std::size_t from) {
#if defined(__SSE2__)
  if (size >= 16) {
    std::size_t at = from;
    for (; at + 16 <= size; at += 16) {
      if (const unsigned bits = line_end_bits(data + at)) return at + static_cast<std::size_t>(__builtin_ctz(bits));
    }
    if (at < size) {
      const std::size_t last = size - 16;
      if (const unsigned bits = line_end_bits(data + last) >> (at - last)) {
        return at + static_cast<std::size_t>(__builtin_ctz(bits));
      }
    }
    return size;
  }
#endif
  for (; from < size; ++from) {
    if (data[from] == '\r' || data[from] == '\n') return from;
  }
  return size;
}

bool holds_more_than_blanks(const char* data, std::size_t from, std::size_t end) {
  for (std::size_t i = from; i < end; ++i) {
    if (data[i] != ' ' && data[i] != '\t') return true;
  }
  return false;
}

// Hands the cue text written for segment over in order: the lines that are
// kept to put, the line end between two of them to put_line_end.
template <typename Put, typename PutLineEnd>
void put_cue_text(std::string_view segment, Put put, PutLineEnd put_line_end) {
  const char* data = segment.data();
  const std::size_t size = segment.size();
  std::size_t end = next_line_end(data, size, 0);
  if (end == size) {
    put(segment);
    return;
  }
  bool first_line = true;
  for (std::size_t start = 0;;) {
    if (holds_more_than_blanks(data, start, end)) {
      if (!first_line) put_line_end();
      put(segment.substr(start, end - start));
      first_line = false;
    }
    if (end == size) break;
    start = end + 1;
    end = next_line_end(data, size, start);
  }
}

}  // namespace

std::string cue_text_as_written(std::string_view segment) {
  std::string written;
  put_cue_text(
      segment, [&written](std::string_view piece) { written.append(piece); },
      [&written] { written.append(kWrittenLineEnd); });
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
  auto put_line_end = [&out] {
    out[0] = '\r';
    out[1] = '\n';
    out += 2;
  };
  put(number_line);
  put_line_end();
  put(timecode_line);
  put_line_end();
  put_cue_text(segment, put, put_line_end);
  put_line_end();
  // write_line ends the entry with the line end of its empty last line.
  write_line(kOutputFile, std::string_view(start, static_cast<std::size_t>(out - start)));
}

}  // namespace rt
