// The timecode-file probe, is_timecode_file, over an arbitrary file on disk.
//
// Checks, besides the sanitizers:
// - the answer is that of the ten tries worked out on the lines of the
//   file's character stream, a UTF-8 byte-order mark taken off the first
//   (a number line followed directly by a line of exactly the 29-character
//   timecode shape), of the file's first kProbeBytes bytes only, without a
//   last line the bound cuts;
// - so again with the input behind one long line that puts the bound in
//   its middle;
// - the path spelled with "\" gives the same answer as with "/" where "\"
//   separates (Windows), and names no file elsewhere;
// - the probe leaves the file unchanged and file number 1 free.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/scan.h"
#include "fuzz/fuzz_support.h"
#include "text/encodings.h"
#include "text/files.h"
#include "text/numbers.h"
#include "text/paths.h"

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

// The lines the probe may examine: those of the character stream of the
// file's first kProbeBytes bytes, without the last one when the bound cuts
// it (no LF before the bound, and the stream would go on after it).
std::vector<std::string> probed_lines(const std::string& bytes) {
  const auto bound = static_cast<std::size_t>(rt::kProbeBytes);
  std::string probed = bytes;
  if (bytes.size() > bound) {
    probed.resize(bound);
    const bool goes_on = probed.find('\x1A') == std::string::npos && bytes[bound] != '\x1A';
    if (goes_on) probed.erase(probed.rfind('\n') + 1);  // npos + 1: all of it
  }
  std::vector<std::string> lines = rt::fuzz::line_texts(rt::fuzz::stream_lines(rt::fuzz::character_stream(probed)));
  if (!lines.empty()) rt::drop_utf8_mark(lines.front());
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = rt::fuzz::input_text(data, size);
  const std::string path = rt::fuzz::scratch_directory() + "/probed.srt";
  rt::fuzz::write_file(path, bytes);

  const bool answer = rt::is_timecode_file(path);
  require(rt::free_file_number() == 1, "the probe leaves file number 1 free");

  const bool expected = probe_on_lines(probed_lines(bytes));
  require(answer == expected, "probe answers as the ten tries on the file's lines", shown(bytes));

  // One line of filler first, so that the bound falls in the input's middle.
  const auto bound = static_cast<std::size_t>(rt::kProbeBytes);
  const std::size_t filler = bound - 1 - std::min(bytes.size() / 2, bound - 1);
  const std::string padded = std::string(filler, 'x') + "\n" + bytes;
  rt::fuzz::write_file(path, padded);
  require(rt::is_timecode_file(path) == probe_on_lines(probed_lines(padded)),
          "probe answers as the ten tries on the lines before the bound", shown(bytes));
  rt::fuzz::write_file(path, bytes);

  std::string backslashed = path;
  for (char& c : backslashed) {
    if (c == '/') c = '\\';
  }
  // "\" stands for "/" only where it separates (Windows); elsewhere the
  // backslashed path is one name of the current directory, which holds no
  // file of that name.
  require(rt::is_timecode_file(backslashed) == (rt::is_separator('\\') && answer),
          "\"\\\" separates only where the platform says so", path);
  require(rt::fuzz::read_file(path) == bytes, "the probe leaves the file unchanged", shown(bytes));
  require(rt::free_file_number() == 1, "the probe leaves file number 1 free");
  return 0;
}
