// The timecode-file probe, is_timecode_file, over an arbitrary file on disk.
//
// Checks, besides the sanitizers:
// - the answer is that of the ten tries worked out on the lines of the
//   file's character stream, a UTF-8 byte-order mark taken off the first
//   (a number line followed directly by a line of exactly the 29-character
//   timecode shape);
// - the path spelled with "\" gives the same answer as with "/";
// - the probe leaves the file unchanged and file number 1 free.
#include <cstdint>
#include <string>
#include <vector>

#include "driver/scan.h"
#include "fuzz/fuzz_support.h"
#include "text/encodings.h"
#include "text/files.h"
#include "text/numbers.h"

namespace {

using rt::fuzz::require;
using rt::fuzz::shown;

bool has_timecode_shape(const std::string& line) {
  const std::string mask = rt::timecode_mask;
  if (line.size() != mask.size()) return false;
  const std::string kept = rt::timecode_kept_characters;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    const bool line_kept = kept.find(line[i]) != std::string::npos;
    if (mask[i] == 'x' ? line_kept : line[i] != mask[i]) return false;
  }
  return true;
}

// The ten tries over the lines as read_line gives them; past the end every
// line reads empty.
bool probe_on_lines(const std::vector<std::string>& lines) {
  std::size_t next = 0;
  auto read = [&]() { return next < lines.size() ? lines[next++] : std::string(); };
  for (int attempt = 0; attempt < rt::kProbeTries; ++attempt) {
    if (!rt::is_number_line(read())) continue;
    if (has_timecode_shape(read())) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = rt::fuzz::input_text(data, size);
  const std::string path = rt::fuzz::scratch_directory() + "/probed.srt";
  rt::fuzz::write_file(path, bytes);

  const bool answer = rt::is_timecode_file(path);
  require(rt::free_file_number() == 1, "the probe leaves file number 1 free");

  std::vector<std::string> lines = rt::fuzz::line_texts(rt::fuzz::stream_lines(rt::fuzz::character_stream(bytes)));
  if (!lines.empty()) rt::drop_utf8_mark(lines.front());
  const bool expected = probe_on_lines(lines);
  require(answer == expected, "probe answers as the ten tries on the file's lines", shown(bytes));

  std::string backslashed = path;
  for (char& c : backslashed) {
    if (c == '/') c = '\\';
  }
  require(rt::is_timecode_file(backslashed) == answer, "the path separator does not matter", path);
  require(rt::fuzz::read_file(path) == bytes, "the probe leaves the file unchanged", shown(bytes));
  require(rt::free_file_number() == 1, "the probe leaves file number 1 free");
  return 0;
}
