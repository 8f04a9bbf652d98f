#include "driver/scan.h"

#include <cstddef>
#include <cstdint>

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

// The line with every one of its first 29 characters that is not a kept
// character replaced by "x"; characters from the 30th on stay.
std::string masked_line(std::string line) {
  const std::string kept = timecode_kept_characters;
  for (int i = 0; i < kTimecodeMaskLength; ++i) {
    if (kept.find(line[i]) == std::string::npos) line[i] = 'x';
  }
  return line;
}

bool is_timecode_line(const std::string& line) {
  if (text_length(line) < kTimecodeMaskLength) return false;
  // The whole line is compared, so anything after the second time (a
  // trailing blank, position data) spoils the match.
  return masked_line(line) == timecode_mask;
}

bool is_text_file_name(const std::string& name) {
  return lower_case(right_text(name, kTextFileEndingLength)) == text_file_ending;
}

}  // namespace

int entry_count(const NameList& list) {
  return list.empty() ? 0 : static_cast<int>(list.size() - 1);
}

bool is_timecode_file(const std::string& path) {
  // A failed open leaves the number free (or holding whoever's file it was);
  // probing then could only read someone else's lines, so stop here.
  if (open_input_bounded(path, kProbeFileNumber, kProbeBytes) != 0) return false;
  bool found = false;
  std::string line;
  for (int attempt = 0; attempt < kProbeTries && !found; ++attempt) {
    read_short_line(kProbeFileNumber, line, kProbeLineLimit);
    if (!is_number_line(line)) continue;
    // The line after a number line belongs to this try, whatever it holds.
    read_short_line(kProbeFileNumber, line, kProbeLineLimit);
    found = is_timecode_line(line);
  }
  close_file(kProbeFileNumber);
  return found;
}

FileLists scan_directory(const std::string& working_directory) {
  FileLists lists;
  std::string name = list_directory(joined_path(working_directory, "*.*"), kMaskAllButDirectories);
  while (!name.empty()) {
    if (is_text_file_name(name)) {
      lists.text_files.push_back(name);
    } else if (is_timecode_file(joined_path(working_directory, name))) {
      lists.timecode_files.push_back(name);
    }
    name = list_directory("", kMaskAllButDirectories);
  }
  return lists;
}

}  // namespace rt
