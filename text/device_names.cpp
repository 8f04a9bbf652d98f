#include "text/device_names.h"

#include <cstddef>

namespace rt {
namespace {

constexpr const char* kPlainDevices[] = {"CON", "PRN", "AUX", "NUL"};
constexpr const char* kNumberedDevices[] = {"COM", "LPT"};  // with 1 to 9
constexpr std::size_t kNumberedLength = 4;

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_letters(const std::string& name, const char* reserved) {
  std::size_t i = 0;
  for (; reserved[i] != '\0'; ++i) {
    if (i >= name.size() || upper(name[i]) != reserved[i]) return false;
  }
  return i == name.size();
}

}  // namespace

bool is_reserved_device_name(const std::string& path) {
  const std::size_t separator = path.find_last_of("\\/");
  std::string stem = separator == std::string::npos ? path : path.substr(separator + 1);
  stem = stem.substr(0, stem.find_first_of(".:"));
  while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) stem.pop_back();

  for (const char* device : kPlainDevices) {
    if (same_letters(stem, device)) return true;
  }
  if (stem.size() != kNumberedLength || stem[3] < '1' || stem[3] > '9') return false;
  for (const char* device : kNumberedDevices) {
    if (same_letters(stem.substr(0, 3), device)) return true;
  }
  return false;
}

}  // namespace rt
