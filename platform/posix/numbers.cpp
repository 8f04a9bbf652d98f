#include "platform/numbers.h"

#include <locale.h>
#include <stdlib.h>  // strtod_l

namespace rt {
namespace native {

double read_c_real(const char* text) {
  // The C locale object is made once and kept for the life of the process.
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t{});
  // Making it fails only when memory runs out; the process locale (set to
  // "C" for numbers at start-up) is the best left then.
  if (c_locale == locale_t{}) return ::strtod(text, nullptr);
  return ::strtod_l(text, nullptr, c_locale);
}

}  // namespace native
}  // namespace rt
