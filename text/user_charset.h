// The program's own texts (the usage text, the usage errors) are written
// here in UTF-8, umlauts included; a user reads them in the character set
// the user's terminal or console shows. The system's console texts of a run
// are plain ASCII and the user's own bytes (names, answers) are passed on
// unchanged, so neither goes through here.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/shared/character_set.h"

namespace rt {

enum class UserStream { standard_output, standard_error };

// utf8 in the user's character set for stream (platform/console_output.h
// says which one that is).
std::string in_user_charset(const std::string& utf8, UserStream stream);

// Writes bytes (already in the user's character set, lines ended by "\n")
// to stream with the system's line ends (CR LF on Windows), unbuffered and
// in call order. For the texts printed before or instead of a run (the
// usage text, the usage errors); a stream that is gone or fails drops the
// rest silently.
void write_to_user(const std::string& bytes, UserStream stream);

// One non-ASCII character, given as its UTF-8 bytes, in a character set;
// nothing when the set lacks it.
using CharacterEncoder = std::function<std::optional<std::string>(const std::string&)>;

// utf8 with each character put through encode: ASCII bytes stay as they
// are; a character the set lacks is spelt as German is without umlauts
// ("ä" as "ae", "ß" as "ss"), any other such character, and every byte that
// is not part of a UTF-8 character, as "?".
std::string in_charset(const std::string& utf8, const CharacterEncoder& encode);

// ISO 8859-1 as an encoder: latin1_character of
// platform/shared/character_set.h.

}  // namespace rt
