// The character sets a console's bytes may be in, as the native console
// output tells them and the portable printing rules (text/visible_text.h,
// text/user_charset.h) use them, with the two mappings the native layers
// need: a Windows code page's set, and ISO 8859-1.
#pragma once

#include <optional>
#include <string>

namespace rt {

// How the console's bytes form characters. The native layer says which one
// the console uses (platform/console_output.h).
enum class CharacterSet {
  // A byte a character; 0x80..0x9F are the C1 control bytes (ISO 8859-1 and
  // the other single-byte locales of a POSIX terminal).
  single_byte_with_c1,
  // A byte a character, every byte from 0x80 up a printable one (Windows-1252
  // and the other single-byte code pages of Windows, where 0x80..0x9F hold
  // the euro sign, dashes and quotes).
  single_byte,
  // UTF-8 (a UTF-8 locale, or code page 65001 on Windows).
  utf8,
  // The double-byte code pages of Windows: a lead byte from 0x81 up and the
  // trail byte after it are one character of two cells.
  shift_jis,  // 932
  gbk,        // 936
  uhc,        // 949
  big5,       // 950
};

// The character set of a Windows code page: 65001 UTF-8, 932, 936, 949 and
// 950 their double-byte sets, every other one a single byte with no control
// bytes above 0x7F.
CharacterSet character_set_of_code_page(unsigned code_page);

// ISO 8859-1 as an encoder: a character given as its UTF-8 bytes, U+0080
// to U+00FF (and ASCII) as its one byte; nothing for any other character
// or for bytes that are not one whole UTF-8 character.
std::optional<std::string> latin1_character(const std::string& utf8_character);

}  // namespace rt
