#include "platform/numbers.h"

#include <locale.h>
#include <stdio.h>   // snprintf
#include <stdlib.h>  // strtod_l

namespace rt {
namespace native {

namespace {

// The C locale object, made once and kept for the life of the process.
// Making it fails only when memory runs out; the process locale (set to
// "C" for numbers at start-up) is the best left then.
locale_t c_locale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
  return c;
}

}  // namespace

double read_c_real(const char* text) {
  if (c_locale() == locale_t{}) return ::strtod(text, nullptr);
  return ::strtod_l(text, nullptr, c_locale());
}

// snprintf under the C locale for this thread only. (The C++ library's
// to_chars would do without a locale, but it pulls in the C maths library,
// which every run would then have to load.)
int write_c_real(double x, char* out, std::size_t size) {
  const locale_t c = c_locale();
  const locale_t previous = c != locale_t{} ? uselocale(c) : locale_t{};
  const int written = ::snprintf(out, size, "%.16g", x);
  if (previous != locale_t{}) uselocale(previous);
  return written < 0 || static_cast<std::size_t>(written) >= size ? -1 : written;
}

}  // namespace native
}  // namespace rt
