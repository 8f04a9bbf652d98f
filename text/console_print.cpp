// Console printing, portable: every text goes to the console through the
// one native output routine, unbuffered, so it stays in order with the
// console module's cursor control.
#include "text/console_print.h"

#include <cstdio>

#include "text/native_console_output.h"
#include "text/visible_text.h"

namespace rt {
namespace {

// "% d" of the lowest 32-bit value, its sign and its terminating NUL.
constexpr std::size_t kNumberDigits = 16;

void write_text(const std::string& t) {
  native::write_console_output(t.data(), t.size());
}

}  // namespace

// A terminal never gets bytes it would take as commands: a file name must
// not be able to move the cursor or colour the rest of the session. Output
// into a pipe or file stays byte for byte.
void print_text(const std::string& t) {
  if (native::console_output_is_terminal())
    write_text(visible_text(t, native::console_is_utf8()));
  else
    write_text(t);
}

// "\n" alone: a terminal's output processing makes it CR LF, and output
// into a pipe or file gets the usual line end of the platform.
void print_line(const std::string& t) { print_text(t + "\n"); }

void print_number(std::int32_t v) {
  char digits[kNumberDigits];
  int length = std::snprintf(digits, sizeof digits, "% d", static_cast<int>(v));
  if (length > 0) write_text(std::string(digits, static_cast<std::size_t>(length)));
}

}  // namespace rt
