// The console's output on POSIX: standard output and standard error through
// write_file, with no stdio buffer in between, so printed text and the
// console's cursor control arrive in call order. The character set is the
// locale's (set from the environment at start-up): UTF-8, or one byte per
// character taken as ISO 8859-1, the set the program reads texts in.
#include <langinfo.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

#include "platform/console_output.h"
#include "platform/files.h"
#include "platform/shared/character_set.h"

namespace rt {
namespace native {

// A closed or failing stream drops the text rather than retry forever.
void write_standard_stream(const char* bytes, std::size_t count, bool to_standard_error) {
  write_file(to_standard_error ? STDERR_FILENO : STDOUT_FILENO, bytes, count);
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
