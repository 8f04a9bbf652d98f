// The console's output on POSIX: standard output, written with the one
// write-everything routine. There is no stdio buffer in between, so printed
// text and the console module's cursor control arrive in call order.
#include <langinfo.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "text/native_console_output.h"
#include "text/write_all_posix.h"

namespace rt {
namespace native {

// A closed or failing console: printing reports nothing, so the text is
// dropped rather than retried forever.
void write_console_output(const char* bytes, std::size_t count) {
  posix::write_all(STDOUT_FILENO, bytes, count);
}

void keep_running_when_output_closes() { std::signal(SIGPIPE, SIG_IGN); }

const char* console_line_end() { return "\n"; }

bool console_output_is_terminal() { return isatty(STDOUT_FILENO) == 1; }

// The locale is the user's from start-up on (setlocale(LC_CTYPE, "")).
CharacterSet console_character_set() {
  const char* codeset = nl_langinfo(CODESET);
  const bool utf8 = codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
  return utf8 ? CharacterSet::utf8 : CharacterSet::single_byte_with_c1;
}

bool console_is_utf8() { return console_character_set() == CharacterSet::utf8; }

}  // namespace native
}  // namespace rt
