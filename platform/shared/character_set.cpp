#include "platform/shared/character_set.h"

namespace rt {

namespace {

constexpr unsigned kUtf8CodePage = 65001;

struct CodePageSet {
  unsigned code_page;
  CharacterSet set;
};

constexpr CodePageSet kDoubleByteCodePages[] = {
    {932, CharacterSet::shift_jis},
    {936, CharacterSet::gbk},
    {949, CharacterSet::uhc},
    {950, CharacterSet::big5},
};

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

CharacterSet character_set_of_code_page(unsigned code_page) {
  if (code_page == kUtf8CodePage) return CharacterSet::utf8;
  for (const CodePageSet& d : kDoubleByteCodePages)
    if (d.code_page == code_page) return d.set;
  return CharacterSet::single_byte;
}

std::optional<std::string> latin1_character(const std::string& utf8_character) {
  // U+0000 to U+007F are one byte in UTF-8, U+0080 to U+00FF the two bytes
  // 0xC2 or 0xC3 and a continuation byte; every other form of them would be
  // an overlong sequence, which is no UTF-8 character.
  if (utf8_character.size() == 1 && static_cast<unsigned char>(utf8_character[0]) < 0x80) return utf8_character;
  if (utf8_character.size() != 2) return std::nullopt;
  const unsigned char lead = static_cast<unsigned char>(utf8_character[0]);
  const unsigned char trail = static_cast<unsigned char>(utf8_character[1]);
  if ((lead != 0xC2 && lead != 0xC3) || !is_continuation(trail)) return std::nullopt;
  return std::string(1, static_cast<char>(((lead & 0x1F) << 6) | (trail & 0x3F)));
}

}  // namespace rt
