#include "platform/numbers.h"

#include <stdlib.h>  // __mingw_strtod

#include <charconv>
#include <clocale>
#include <cstring>
#include <string>

namespace rt {
namespace native {

// The C runtime's own strtod (and _strtod_l) reads "inf", "nan" and
// hexadecimal reals as 0; the MinGW runtime's reader reads them as the C
// standard says, but takes the decimal point from the process locale. Under
// a locale whose point is not ".", the text is handed over in that
// locale's form: cut before the first occurrence of the locale's point
// (which would end a real in the C locale's form), with "." written as the
// locale's point.
double read_c_real(const char* text) {
  const char* point = std::localeconv()->decimal_point;
  if (point == nullptr || *point == '\0' || std::strcmp(point, ".") == 0) {
    return __mingw_strtod(text, nullptr);
  }
  std::string local(text);
  local = local.substr(0, local.find(point));
  for (std::size_t at = local.find('.'); at != std::string::npos;
       at = local.find('.', at + std::strlen(point))) {
    local.replace(at, 1, point);
  }
  return __mingw_strtod(local.c_str(), nullptr);
}

// to_chars with a precision is "%.16g" in the C locale; the C++ library is
// linked into the program here, so it costs nothing to load.
int write_c_real(double x, char* out, std::size_t size) {
  if (size == 0) return -1;
  const std::to_chars_result written = std::to_chars(out, out + size - 1, x, std::chars_format::general, 16);
  if (written.ec != std::errc{}) return -1;
  *written.ptr = '\0';
  return static_cast<int>(written.ptr - out);
}

}  // namespace native
}  // namespace rt
