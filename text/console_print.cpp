// Console printing, portable: every text goes to the console through the
// one native output routine, unbuffered, so it stays in order with the
// console module's cursor control.
#include "text/console_print.h"

#include <cstdio>

#include "text/visible_text.h"

namespace rt {
namespace {

// "% d" of the lowest 32-bit value, its sign and its terminating NUL.
constexpr std::size_t kNumberDigits = 16;

std::string& line_tail() {
  static std::string tail;
  return tail;
}

void note_printed(const std::string& t) {
  const std::size_t end = t.find_last_of("\r\n");
  if (end == std::string::npos)
    line_tail() += t;
  else
    line_tail() = t.substr(end + 1);
}

void write_text(const std::string& t, std::size_t from, std::size_t to) {
  native::write_standard_stream(t.data() + from, to - from, false);
}

// On a terminal each BEL sounds the console's bell in its place among the
// text (a Windows console rings it only in some hosts by itself).
void write_ringing(const std::string& t) {
  std::size_t from = 0;
  for (std::size_t bell = t.find(kBell); bell != std::string::npos; bell = t.find(kBell, from)) {
    write_text(t, from, bell);
    native::ring_bell();
    from = bell + 1;
  }
  write_text(t, from, t.size());
}

}  // namespace

// A terminal never gets bytes it would take as commands: a file name must
// not be able to move the cursor or colour the rest of the session. Output
// into a pipe or file stays byte for byte.
void print_text(const std::string& t) {
  note_printed(t);
  if (native::console_output_is_terminal())
    write_ringing(visible_text(t, native::console_character_set()));
  else
    write_text(t, 0, t.size());
}

const std::string& printed_line_tail() { return line_tail(); }

void print_line(const std::string& t) { print_text(t + native::console_line_end()); }

void print_number(std::int32_t v) {
  char digits[kNumberDigits];
  int length = std::snprintf(digits, sizeof digits, "% d", static_cast<int>(v));
  if (length > 0) print_text(std::string(digits, static_cast<std::size_t>(length)));
}

}  // namespace rt
