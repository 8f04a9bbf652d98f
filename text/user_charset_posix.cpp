// The user's character set on POSIX: the locale's (set from the
// environment at start-up), UTF-8 or one byte per character; a single-byte
// locale is taken as ISO 8859-1, the set the program reads texts in.
#include <unistd.h>

#include "text/native_console_output.h"
#include "text/write_all_posix.h"

namespace rt {
namespace native {

std::optional<std::string> user_character(const std::string& utf8_character, bool) {
  if (console_is_utf8()) return utf8_character;
  // U+0080 to U+00FF are the two-byte characters with lead byte 0xC2 or
  // 0xC3, and their code is the ISO 8859-1 byte.
  if (utf8_character.size() != 2) return std::nullopt;
  const unsigned char lead = static_cast<unsigned char>(utf8_character[0]);
  const unsigned char trail = static_cast<unsigned char>(utf8_character[1]);
  if (lead != 0xC2 && lead != 0xC3) return std::nullopt;
  return std::string(1, static_cast<char>(((lead & 0x03) << 6) | (trail & 0x3F)));
}

void write_user_stream(const std::string& bytes, bool to_standard_error) {
  posix::write_all(to_standard_error ? STDERR_FILENO : STDOUT_FILENO, bytes.data(), bytes.size());
}

}  // namespace native
}  // namespace rt
