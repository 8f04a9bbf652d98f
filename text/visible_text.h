// Characters as a terminal shows them: the character sets of the console,
// UTF-8 sequences, the cells a character takes, and which bytes must never
// reach a terminal raw.
#pragma once

#include <cstddef>
#include <string>

#include "platform/shared/character_set.h"

namespace rt {

// BEL: no command a terminal could be driven by, so it is printed as it is
// and sounds the console's bell.
constexpr char kBell = 7;

// CharacterSet: platform/shared/character_set.h.

// One character of a text: its bytes, and its code (the code point in
// UTF-8, the byte in a single-byte set, lead byte * 256 + trail byte for a
// double-byte character). Not valid: a byte that starts no character of the
// set (in UTF-8 a byte of no valid sequence, in a double-byte set a lead byte
// without its trail byte); it is one byte long.
struct TextCharacter {
  std::size_t length = 1;
  char32_t code = 0;
  bool valid = true;
};

// The character that starts at byte `at` (< t.size()) of t.
TextCharacter character_at(const std::string& t, std::size_t at, CharacterSet set);

// Whether the bytes of t before position end stop in the middle of a
// character whose further bytes are still to come (a UTF-8 sequence or a
// double-byte character begun but not finished).
bool ends_in_unfinished_character(const std::string& t, std::size_t end, CharacterSet set);

// The length (1 to 4) of the valid UTF-8 sequence that starts at byte
// `at` of t, or 0 when the byte there starts none: a stray continuation
// byte, a cut-off sequence, an overlong form, a surrogate, a value above
// U+10FFFF.
std::size_t utf8_sequence_length(const std::string& t, std::size_t at);

// The code point of the valid sequence of `length` bytes at `at`.
char32_t utf8_code_point(const std::string& t, std::size_t at,
                         std::size_t length);

// The cells a printable code point takes on a terminal: 0 for combining
// marks and other zero-width characters, 2 for East Asian wide and full-width
// characters, 1 for the rest (a compact table of the Unicode ranges).
int code_point_cells(char32_t c);

// Whether a terminal would take this character as a command: the C0
// controls other than BEL, BS, TAB, LF and CR, DEL, and the C1 controls
// (bytes 0x80..0x9F in single_byte_with_c1, U+0080..U+009F in UTF-8; the
// code pages of Windows have none). A character that is not valid is none.
bool is_command_character(const TextCharacter& c, CharacterSet set);

// The cells a character that is no command takes on a terminal: as
// code_point_cells in UTF-8, 2 for a double-byte character, else 1.
int character_cells(const TextCharacter& c, CharacterSet set);

// How a command character is shown: caret notation, ^@ .. ^_ for the C0
// controls, ^? for DEL, and M- before the caret form of c - 0x80 for the C1
// controls (0x9B shows as M-^[).
std::string shown_command_character(char32_t c);

// t with every command character of the character set replaced by its
// shown form; all other bytes (those of no valid character included) stay
// as they are.
std::string visible_text(const std::string& t, CharacterSet set);

// The cells a text without command characters takes on a terminal (a byte
// that starts no valid character counts one).
std::size_t text_cells(const std::string& t, CharacterSet set);

}  // namespace rt
