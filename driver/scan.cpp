#include "driver/scan.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "driver/skipped_files.h"
#include "text/encodings.h"
#include "text/files.h"
#include "text/filesystem.h"
#include "text/numbers.h"
#include "text/paths.h"
#include "text/texts.h"

namespace rt {

namespace {

// Text files are told by this fixed ending alone; the stored text extension
// setting is deliberately not consulted.
constexpr const char* text_file_ending = ".txt";
constexpr Pos kTextFileEndingLength = 4;

// The probe judges a line by at most this many characters: no number line
// is longer than 23 characters (number_text's widest output) and a timecode
// line has exactly 29, so a longer line is neither, whatever follows. The
// bound keeps a file with one huge line (a disk image, a text without line
// ends) from being read into memory whole just to be turned down.
constexpr std::size_t kProbeLineLimit = 64;
static_assert(kProbeLineLimit >= kTimecodeMaskLength, "a timecode line must fit");

bool is_text_file_name(const std::string& name) {
  return lower_case(right_text(name, kTextFileEndingLength)) == text_file_ending;
}

unsigned char upper_case_byte(char c) {
  return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
}

}  // namespace

bool listed_before(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (upper_case_byte(a[i]) != upper_case_byte(b[i])) return upper_case_byte(a[i]) < upper_case_byte(b[i]);
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;  // by unsigned bytes, as std::string compares
}

int entry_count(const NameList& list) {
  return list.empty() ? 0 : static_cast<int>(list.size() - 1);
}

bool is_timecode_file(const std::string& path, ProbedLines* probed) {
  // A failed open leaves the number free (or holding whoever's file it was);
  // probing then could only read someone else's lines, so stop here.
  if (open_input_bounded(path, kProbeFileNumber, kProbeBytes) != 0) return false;
  if (probed != nullptr) *probed = ProbedLines{true, at_end(kProbeFileNumber), {}};
  bool first = true;
  auto read_probed_line = [&](std::string& line) {
    read_short_line(kProbeFileNumber, line, kProbeLineLimit);
    // An editor's byte-order mark would keep cue 1's number from being one.
    if (first) drop_utf8_mark(line);
    first = false;
    if (probed != nullptr) probed->lines.push_back(line);
  };
  bool found = false;
  std::string line;
  for (int attempt = 0; attempt < kProbeTries && !found; ++attempt) {
    read_probed_line(line);
    if (!is_number_line(line)) continue;
    // The line after a number line belongs to this try, whatever it holds.
    read_probed_line(line);
    found = is_timecode_line(line);
  }
  close_file(kProbeFileNumber);
  return found;
}

FileLists scan_directory(const std::string& working_directory) {
  std::vector<std::string> names;
  for (std::string name = list_directory(joined_path(working_directory, "*.*"), kMaskAllButDirectories); !name.empty();
       name = list_directory("", kMaskAllButDirectories)) {
    names.push_back(name);
  }
  std::sort(names.begin(), names.end(), listed_before);
  FileLists lists;
  for (const std::string& name : names) {
    ProbedLines probed;
    if (is_text_file_name(name)) {
      lists.text_files.push_back(name);
    } else if (is_timecode_file(joined_path(working_directory, name), &probed)) {
      lists.timecode_files.push_back(name);
    } else if (const std::string reason = reason_not_read(name, probed); !reason.empty()) {
      lists.skipped.push_back({name, reason});
    }
  }
  return lists;
}

}  // namespace rt
