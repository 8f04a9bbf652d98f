// The console's output on POSIX: standard output and standard error,
// written with the one write-everything routine. There is no stdio buffer
// in between, so printed text and the console module's cursor control
// arrive in call order. The user's character set is the locale's (set from
// the environment at start-up), UTF-8 or one byte per character; a
// single-byte locale is taken as ISO 8859-1, the set the program reads
// texts in.
#include <langinfo.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "text/native_console_output.h"
#include "text/user_charset.h"
#include "text/write_all_posix.h"

namespace rt {
namespace native {

// A closed or failing stream: printing reports nothing, so the text is
// dropped rather than retried forever.
void write_standard_stream(const char* bytes, std::size_t count, bool to_standard_error) {
  posix::write_all(to_standard_error ? STDERR_FILENO : STDOUT_FILENO, bytes, count);
}

void ring_bell() { write_standard_stream("\a", 1, false); }  // BEL

void keep_running_when_output_closes() { std::signal(SIGPIPE, SIG_IGN); }

const char* console_line_end() { return "\n"; }

bool console_output_is_terminal() { return isatty(STDOUT_FILENO) == 1; }

CharacterSet console_character_set() {
  const char* codeset = nl_langinfo(CODESET);
  const bool utf8 = codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
  return utf8 ? CharacterSet::utf8 : CharacterSet::single_byte_with_c1;
}

std::optional<std::string> user_character(const std::string& utf8_character, bool) {
  if (console_character_set() == CharacterSet::utf8) return utf8_character;
  return latin1_character(utf8_character);
}

}  // namespace native
}  // namespace rt
