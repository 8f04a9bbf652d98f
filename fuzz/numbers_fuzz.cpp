// Numbers in text on arbitrary bytes: to_number, number_text, is_number_line.
//
// Checks, besides the sanitizers:
// - is_number_line(t) is exactly "to_number(t) is finite and number_text of
//   it gives t back" (its quick answers never change the answer);
// - to_number(t) is bit for bit to_number_in_full(t) (the shortcut for
//   plain digit runs never changes a value);
// - a NUL byte ends the number: to_number(t) equals to_number of the part
//   of t before its first NUL;
// - number_text of every finite double (the first eight input bytes taken
//   as one, and the value read from the input) is at most 23 bytes and a
//   number line, with two exceptions that follow from 16 digits being
//   slightly more than a double holds: at the very top of the range the
//   digits round up past the largest double and read back as infinite, and
//   a power of ten such as "1e+023" whose nearest double lies below it
//   reads back as 9.999999999999999 times the power below;
//   number_text of an infinite or not-a-number value is no number line.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "text/numbers.h"

namespace {

using rt::fuzz::require;
using rt::fuzz::shown;

bool same_value(double a, double b) {
  // Bit for bit, so that NaN equals NaN and -0 differs from 0.
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// written, which is not a number line, names a power of ten (its digits a
// lone 1) that reads back as the largest 16-digit text of the decade below.
bool is_power_of_ten_read_back_below(const std::string& written) {
  const std::size_t sign = written[0] == '-' ? 1 : 0;
  if (written.compare(sign, 2, "1e") != 0) return false;
  const std::string back = rt::number_text(rt::to_number(written));
  return back.compare(sign, 18, "9.999999999999999e") == 0;
}

void check_written(double x) {
  const std::string written = rt::number_text(x);
  if (std::isfinite(x)) {
    require(written.size() <= 23, "number_text is at most 23 bytes", shown(written));
    // 1.797693134862316e+308 lies beyond the largest double by more than
    // half a step, so it reads back as infinite.
    const bool rounds_past_the_top = std::fabs(x) >= 1.7976931348623155e308;
    require(rt::is_number_line(written) || (rounds_past_the_top && std::isinf(rt::to_number(written))) ||
                is_power_of_ten_read_back_below(written),
            "number_text of a finite double is a number line", shown(written));
  } else {
    require(!rt::is_number_line(written), "number_text of inf or nan is no number line", shown(written));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string t = rt::fuzz::input_text(data, size);
  const double value = rt::to_number(t);

  require(same_value(value, rt::to_number_in_full(t)), "the shortcut reads what the full reading reads", shown(t));
  const bool by_definition = std::isfinite(value) && rt::number_text(value) == t;
  require(rt::is_number_line(t) == by_definition, "is_number_line agrees with its definition", shown(t));

  const std::size_t nul = t.find('\0');
  if (nul != std::string::npos) {
    require(same_value(rt::to_number(t.substr(0, nul)), value), "a NUL byte ends the number", shown(t));
  }

  check_written(value);
  if (size >= sizeof(double)) {
    double x;
    std::memcpy(&x, data, sizeof x);
    check_written(x);
  }
  return 0;
}
