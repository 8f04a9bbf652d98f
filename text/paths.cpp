#include "text/paths.h"

#include "platform/shared/entries.h"

namespace rt {

namespace {
constexpr std::uint32_t kBitsFrom0x100 = 0xFFFFFF00u;

}  // namespace

bool is_separator(char c) { return c == '/' || c == native::native_separator(); }

char path_separator() { return native::native_separator(); }

std::string joined_path(const std::string& folder, const std::string& name) {
  return folder + path_separator() + name;
}

std::size_t last_separator(const std::string& path) {
  for (std::size_t at = path.size(); at > 0; --at) {
    if (is_separator(path[at - 1])) return at - 1;
  }
  return std::string::npos;
}

std::string containing_folder(const std::string& path) {
  const std::size_t last = last_separator(path);
  if (last == std::string::npos) return "";
  // A drive's root keeps its separator where "\" is one, whichever of the
  // two ends the drive.
  if (is_separator('\\') && last == 2 && starts_with_drive(path)) return path.substr(0, 3);
  return directory_of(path, path[last]);
}

std::string with_native_separators(std::string path) {
  const char native = path_separator();
  for (char& c : path) {
    if (is_separator(c)) c = native;
  }
  return path;
}


std::uint32_t effective_mask(std::uint32_t mask) {
  std::uint32_t effective = mask | kBitsFrom0x100;
  if ((mask & kAttributeDirectory) == 0) effective |= kAttributeArchive;
  return effective;
}

bool admitted(std::uint32_t attributes, std::uint32_t effective) {
  return (attributes & ~effective) == 0;
}

bool listable_name(const std::string& name) {
  return name != "." && name != ".." && last_separator(name) == std::string::npos;
}

bool plain_file_name(const std::string& name) {
  return !name.empty() && listable_name(name);
}

}  // namespace rt
