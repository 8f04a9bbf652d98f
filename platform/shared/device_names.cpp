#include "platform/shared/device_names.h"

#include <cstddef>

namespace rt {
namespace {

constexpr const char* kPlainDevices[] = {"CON", "PRN", "AUX", "NUL"};
constexpr const char* kNumberedDevices[] = {"COM", "LPT"};  // with 1 to 9, or ¹ ² ³
constexpr std::size_t kDeviceLetters = 3;

// The superscript digits one, two and three (U+00B9, U+00B2, U+00B3), which
// the system takes for the digits of COM and LPT, as the bytes of a code
// page; "" where the code page has no such character.
struct SuperscriptDigits {
  unsigned code_page;
  const char* digits[3];
};

constexpr SuperscriptDigits kSuperscriptDigits[] = {
    {1252, {"\xB9", "\xB2", "\xB3"}},  // Western European
    {1253, {"", "\xB2", "\xB3"}},      // Greek
    {1254, {"\xB9", "\xB2", "\xB3"}},  // Turkish
    {1255, {"\xB9", "\xB2", "\xB3"}},  // Hebrew
    {1256, {"\xB9", "\xB2", "\xB3"}},  // Arabic
    {1257, {"\xB9", "\xB2", "\xB3"}},  // Baltic
    {1258, {"\xB9", "\xB2", "\xB3"}},  // Vietnamese
    {949, {"\xA9\xF6", "\xA9\xF7", "\xA9\xF8"}},  // Korean
    {65001, {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"}},  // UTF-8
};

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_letters(const std::string& name, const char* reserved) {
  std::size_t i = 0;
  for (; reserved[i] != '\0'; ++i) {
    if (i >= name.size() || upper(name[i]) != reserved[i]) return false;
  }
  return i == name.size();
}

// Whether what follows COM or LPT is a device's number in the code page.
bool is_device_number(const std::string& number, unsigned code_page) {
  if (number.size() == 1 && number[0] >= '1' && number[0] <= '9') return true;
  for (const SuperscriptDigits& s : kSuperscriptDigits) {
    if (s.code_page != code_page) continue;
    for (const char* digit : s.digits) {
      if (*digit != '\0' && number == digit) return true;
    }
  }
  return false;
}

}  // namespace

bool is_reserved_device_name(const std::string& path, unsigned code_page) {
  const std::size_t separator = path.find_last_of("\\/");
  std::string stem = separator == std::string::npos ? path : path.substr(separator + 1);
  stem = stem.substr(0, stem.find_first_of(".:"));
  while (!stem.empty() && (stem.back() == ' ' || stem.back() == '.')) stem.pop_back();

  for (const char* device : kPlainDevices) {
    if (same_letters(stem, device)) return true;
  }
  if (stem.size() <= kDeviceLetters) return false;
  if (!is_device_number(stem.substr(kDeviceLetters), code_page)) return false;
  for (const char* device : kNumberedDevices) {
    if (same_letters(stem.substr(0, kDeviceLetters), device)) return true;
  }
  return false;
}

}  // namespace rt
