#include "platform/shared/path_forms.h"

#include <algorithm>

namespace rt {

namespace {

// The starts of Windows paths that the long form cares about.
const std::wstring kLongPrefix = L"\\\\?\\";              // \\?\C:\...
const std::wstring kLongNetworkPrefix = L"\\\\?\\UNC\\";  // \\?\UNC\server\share\...
const std::wstring kDevicePrefix = L"\\\\.\\";            // \\.\COM1, \\.\pipe\x
const std::wstring kNetworkStart = L"\\\\";                // \\server\share\...

bool starts_with(const std::wstring& text, const std::wstring& start) {
  return text.compare(0, start.size(), start) == 0;
}

template <typename Char>
bool is_drive_letter(Char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool is_word_gap(wchar_t c) { return c == L' ' || c == L'\t'; }

// The first word of a command line by the C runtime's rule for argument 0;
// end is set to where it ended.
template <typename String>
String first_word_of(const String& command_line, std::size_t& end) {
  String path;
  bool quoted = false;
  for (end = 0; end < command_line.size(); ++end) {
    const auto c = command_line[end];
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && is_word_gap(c)) break;
    path.push_back(c);
  }
  return path;
}

// The words after argument 0, from at on, by the C runtime's rules for
// them (command_line_words in the header).
template <typename String>
void append_later_words(const String& line, std::size_t at, std::vector<String>& words) {
  for (;;) {
    while (at < line.size() && is_word_gap(line[at])) ++at;
    if (at >= line.size()) return;
    String word;
    bool quoted = false;
    while (at < line.size() && (quoted || !is_word_gap(line[at]))) {
      std::size_t backslashes = 0;
      while (at < line.size() && line[at] == '\\') {
        ++backslashes;
        ++at;
      }
      if (at < line.size() && line[at] == '"') {
        word.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          word.push_back('"');
        } else if (quoted && at + 1 < line.size() && line[at + 1] == '"') {
          word.push_back('"');
          ++at;
        } else {
          quoted = !quoted;
        }
        ++at;
        continue;
      }
      word.append(backslashes, '\\');
      if (at < line.size() && (quoted || !is_word_gap(line[at]))) word.push_back(line[at++]);
    }
    words.push_back(word);
  }
}

template <typename String>
std::vector<String> words_of(const String& command_line) {
  std::size_t end = 0;
  std::vector<String> words{first_word_of(command_line, end)};
  append_later_words(command_line, end, words);
  return words;
}

}  // namespace

bool starts_with_drive(const std::string& path) {
  return path.size() >= 2 && is_drive_letter(path[0]) && path[1] == ':';
}

bool starts_with_drive(const std::wstring& path) {
  return path.size() >= 2 && is_drive_letter(path[0]) && path[1] == L':';
}

bool is_drive_path(const std::wstring& path) {
  return starts_with_drive(path) && path.size() >= 3 && (path[2] == L'\\' || path[2] == L'/');
}

std::optional<std::string> posix_path(const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  return path;
}

std::string directory_of(const std::string& file_path, char separator) {
  const std::size_t last = file_path.rfind(separator);
  if (last == std::string::npos) return "";
  if (last == 0) return std::string(1, separator);
  std::string directory = file_path.substr(0, last);
  if (separator == '\\' && directory.size() == 2 && starts_with_drive(directory)) directory += '\\';
  return directory;
}

std::string program_path_of_command_line(const std::string& command_line) {
  std::size_t end = 0;
  return first_word_of(command_line, end);
}

std::wstring program_path_of_command_line(const std::wstring& command_line) {
  std::size_t end = 0;
  return first_word_of(command_line, end);
}

std::vector<std::string> command_line_words(const std::string& command_line) {
  return words_of(command_line);
}

std::vector<std::wstring> command_line_words(const std::wstring& command_line) {
  return words_of(command_line);
}

std::wstring long_path_form(const std::wstring& given, const std::wstring& full) {
  if (starts_with(given, kLongPrefix) || starts_with(given, kDevicePrefix)) return given;
  if (full.size() < kLongPathFrom) return given;
  if (starts_with(full, kLongPrefix) || starts_with(full, kDevicePrefix)) return full;
  std::wstring form;
  std::size_t rest = 0;
  if (starts_with(full, kNetworkStart)) {
    form = kLongNetworkPrefix;
    rest = kNetworkStart.size();
  } else if (is_drive_path(full)) {
    form = kLongPrefix;
  } else {
    return given;  // not a full path: nothing the long form could name
  }
  for (std::size_t i = rest; i < full.size(); ++i) {
    const wchar_t c = full[i] == L'/' ? L'\\' : full[i];
    if (c == L'\\' && form.back() == L'\\') continue;
    form.push_back(c);
  }
  return form;
}

std::wstring without_long_path_prefix(const std::wstring& path) {
  if (starts_with(path, kLongNetworkPrefix)) return kNetworkStart + path.substr(kLongNetworkPrefix.size());
  const std::wstring rest = path.substr(std::min(path.size(), kLongPrefix.size()));
  if (starts_with(path, kLongPrefix) && is_drive_path(rest)) return rest;
  return path;
}

}  // namespace rt
