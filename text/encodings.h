// How the bytes of a user's file form characters. A text file is either
// UTF-8, told by its byte-order mark or by its multi-byte characters, or a
// byte a character in Windows-1252 (ISO 8859-1 plus the printable
// characters of 0x80..0x9F), the encoding of the tool's own single-byte
// texts. A UTF-8 byte-order mark is no part of a file's first line.
#pragma once

#include <cstddef>
#include <string>

namespace rt {

inline const std::string kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Takes a UTF-8 byte-order mark off the start of t; true when there was one.
bool drop_utf8_mark(std::string& t);

// Whether the bytes of a text file are read as UTF-8: they start with the
// byte-order mark, or they are valid UTF-8 throughout and hold at least one
// character of two bytes or more. Every other text (pure ASCII included,
// which reads the same either way) is read a byte a character.
bool reads_as_utf8(const std::string& t);

// The bytes of the character that starts at byte `at` (< t.size()) of t:
// in UTF-8 the length of its sequence, or 1 for a byte that starts none
// (taken as the single byte it is); always 1 in a single-byte text.
std::size_t character_length(const std::string& t, std::size_t at, bool utf8);

// The character of the Windows-1252 byte b: b itself below 0x80 and from
// 0xA0 up, the euro sign, dashes, quotes and the like for 0x80..0x9F, and 0
// for the five bytes there that it leaves unassigned.
char32_t windows_1252_code_point(unsigned char b);

// The Windows-1252 byte of the character c; -1 when it has none.
int windows_1252_byte(char32_t c);

}  // namespace rt
