// Characters as a terminal shows them: UTF-8 sequences, the cells a
// character takes, and which bytes must never reach a terminal raw.
#pragma once

#include <cstddef>
#include <string>

namespace rt {

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
// (bytes 0x80..0x9F in a single-byte character set, U+0080..U+009F in UTF-8).
bool is_command_character(char32_t c);

// How a command character is shown: caret notation, ^@ .. ^_ for the C0
// controls, ^? for DEL, and M- before the caret form of c - 0x80 for the C1
// controls (0x9B shows as M-^[).
std::string shown_command_character(char32_t c);

// t with every command character replaced by its shown form; all other
// bytes (invalid UTF-8 included) stay as they are. utf8: the console's
// character set is UTF-8, else a single-byte one.
std::string visible_text(const std::string& t, bool utf8);

}  // namespace rt
