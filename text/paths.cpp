#include "text/paths.h"

#include <algorithm>

namespace rt {

namespace {
constexpr std::uint32_t kDirectoryBit = 0x10;
constexpr std::uint32_t kArchiveBit = 0x20;
constexpr std::uint32_t kBitsFrom0x100 = 0xFFFFFF00u;
}  // namespace

std::string with_backslashes(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::optional<std::string> with_slashes(const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

std::string directory_of(const std::string& file_path, char separator) {
  const std::size_t last = file_path.rfind(separator);
  if (last == std::string::npos) return "";
  if (last == 0) return std::string(1, separator);
  std::string directory = file_path.substr(0, last);
  const bool drive = directory.size() == 2 && directory[1] == ':' &&
                     ((directory[0] >= 'A' && directory[0] <= 'Z') ||
                      (directory[0] >= 'a' && directory[0] <= 'z'));
  if (drive) directory += '\\';
  return directory;
}

std::string program_path_of_command_line(const std::string& command_line) {
  std::string path;
  bool quoted = false;
  for (const char c : command_line) {
    if (c == '"') {
      quoted = !quoted;
      continue;
    }
    if (!quoted && (c == ' ' || c == '\t')) break;
    path.push_back(c);
  }
  return path;
}

std::uint32_t effective_mask(std::uint32_t mask) {
  std::uint32_t effective = mask | kBitsFrom0x100;
  if ((mask & kDirectoryBit) == 0) effective |= kArchiveBit;
  return effective;
}

bool admitted(std::uint32_t attributes, std::uint32_t effective) {
  return (attributes & ~effective) == 0;
}

bool listable_name(const std::string& name) {
  return name != "." && name != ".." && name.find('\\') == std::string::npos;
}

bool plain_file_name(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("\\/") == std::string::npos;
}

}  // namespace rt
