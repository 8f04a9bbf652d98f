// The settings file: read_setting and write_setting (through an explicit
// temporary path) over an arbitrary settings file and an arbitrary key and
// value.
//
// Input: one byte giving the key's length (modulo 24), one giving the
// value's (modulo 64), the key, the value, and the rest is the file.
//
// Checks, besides the sanitizers, with the old lines being the file's lines
// as read_line gives them (an empty file reads as one empty line):
// - read_setting gives the part after the first "=" of the first old line
//   that begins with key "=", or "" when there is none;
// - a key or value holding CR, LF or 0x1A is refused and the file stays as
//   it is; otherwise write_setting_through succeeds, and the file then
//   holds exactly the old lines, each setting line of the key replaced by
//   key=value, the new setting appended when there was none, every line
//   ended by CR LF;
// - no temporary file is left behind: the directory holds the settings
//   file alone;
// - for a key without "=", CR, LF or 0x1A and a value without CR, LF or
//   0x1A, read_setting then gives the value back, and the value of another
//   key of the file stays what it was;
// - a temporary path naming the settings file itself is refused and the
//   file stays as it is;
// - every file number is free again afterwards.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "settings/settings.h"
#include "text/files.h"

namespace {

using rt::fuzz::require;
using rt::fuzz::shown;

constexpr std::size_t kLongestKey = 24;
constexpr std::size_t kLongestValue = 64;

bool is_setting_line(const std::string& line, const std::string& key) {
  return line.compare(0, key.size() + 1, key + "=") == 0;
}

std::string value_of(const std::string& line) { return line.substr(line.find('=') + 1); }

// The value read_setting finds among the lines: the first setting line's.
std::string first_value(const std::vector<std::string>& lines, const std::string& key) {
  for (const std::string& line : lines) {
    if (is_setting_line(line, key)) return value_of(line);
  }
  return std::string();
}

// A line written and read back loses one CR at its end (write_line's CR LF
// after it turns into the line end, and read_line drops one CR before it).
std::string read_back(std::string text) {
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

bool fits_one_line(const std::string& text) { return text.find_first_of("\r\n\x1A") == std::string::npos; }

// A key of the file other than key, usable for reading back: the part before
// "=" of the first line that has one and is no setting line of key.
std::string other_key(const std::vector<std::string>& lines, const std::string& key) {
  for (const std::string& line : lines) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || is_setting_line(line, key)) continue;
    const std::string candidate = line.substr(0, equals);
    if (candidate != key && fits_one_line(candidate)) return candidate;
  }
  return std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = rt::fuzz::input_text(data, size);
  std::size_t at = 0;
  const std::size_t key_size = size > at ? data[at++] % kLongestKey : 0;
  const std::size_t value_size = size > at ? data[at++] % kLongestValue : 0;
  const std::string key = input.substr(at, key_size);
  at = std::min(size, at + key_size);
  const std::string value = input.substr(at, value_size);
  at = std::min(size, at + value_size);
  const std::string old_bytes = input.substr(at);

  const std::string& directory = rt::fuzz::scratch_directory();
  rt::fuzz::empty_directory(directory);
  const std::string path = directory + "/settings.ini";
  const std::string temporary_path = directory + "/settings.tmp";
  rt::fuzz::write_file(path, old_bytes);

  std::vector<std::string> old_lines =
      rt::fuzz::line_texts(rt::fuzz::stream_lines(rt::fuzz::character_stream(old_bytes)));
  if (old_lines.empty()) old_lines.push_back(std::string());  // read_line gives "" at once
  const std::string case_shown = "key " + shown(key) + " value " + shown(value) + " file " + shown(old_bytes);

  require(rt::read_setting(path, key) == first_value(old_lines, key), "read_setting finds the first setting line",
          case_shown);
  const std::string other = other_key(old_lines, key);
  const std::string other_value = first_value(old_lines, other);

  require(rt::write_setting_through(path, key, value, path) == rt::kSettingNotWritten,
          "the settings file is refused as its own temporary file", case_shown);
  require(rt::fuzz::read_file(path) == old_bytes, "a refused rewrite leaves the file alone", case_shown);

  if (!fits_one_line(key) || !fits_one_line(value)) {
    require(rt::write_setting_through(path, key, value, temporary_path) == rt::kSettingNotWritten,
            "a setting that would not stay one line is refused", case_shown);
    require(rt::fuzz::read_file(path) == old_bytes, "a refused setting leaves the file alone", case_shown);
    require(rt::fuzz::directory_entries(directory).size() == 1, "a refused setting leaves no file", case_shown);
    require(rt::free_file_number() == 1, "every file number is free again", case_shown);
    return 0;
  }
  require(rt::write_setting_through(path, key, value, temporary_path) == rt::kSettingWritten,
          "write_setting_through succeeds", case_shown);
  require(rt::free_file_number() == 1, "every file number is free again", case_shown);

  std::string expected;
  bool found = false;
  for (const std::string& line : old_lines) {
    const bool replaced = is_setting_line(line, key);
    found = found || replaced;
    expected += (replaced ? key + "=" + value : line) + "\r\n";
  }
  if (!found) expected += key + "=" + value + "\r\n";
  const std::string new_bytes = rt::fuzz::read_file(path);
  require(new_bytes == expected, "the rewrite holds the old lines with the setting replaced or appended",
          case_shown + "\nnew file " + shown(new_bytes));

  const std::vector<std::string> entries = rt::fuzz::directory_entries(directory);
  require(entries.size() == 1 && entries[0] == "settings.ini", "no temporary file is left behind", case_shown);

  if (key.find('=') == std::string::npos) {
    require(rt::read_setting(path, key) == value, "the value written is read back", case_shown);
    if (!other.empty()) {
      require(rt::read_setting(path, other) == read_back(other_value), "another key keeps its value",
              case_shown + "\nother key " + shown(other));
    }
  }
  require(rt::free_file_number() == 1, "every file number is free again", case_shown);
  return 0;
}
