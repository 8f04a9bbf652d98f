#include "text/user_charset.h"

#include "text/native_console_output.h"

namespace rt {
namespace {

// German written without umlauts: what a reader expects where the
// character set has no umlaut (a look-alike "a" would change the word).
struct Spelling {
  const char* character;
  const char* spelt;
};
const Spelling kWithoutUmlauts[] = {
    {"\xC3\xA4", "ae"}, {"\xC3\xB6", "oe"}, {"\xC3\xBC", "ue"}, {"\xC3\x84", "Ae"},
    {"\xC3\x96", "Oe"}, {"\xC3\x9C", "Ue"}, {"\xC3\x9F", "ss"},
};

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 character starting at text[at] (lead
// byte 0xC2 to 0xF4, no surrogates, nothing beyond U+10FFFF, no overlong
// form); 0 when there is none.
std::size_t character_length(const std::string& text, std::size_t at) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  const unsigned char second = static_cast<unsigned char>(text[at + 1]);
  if (second < low || second > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (!is_continuation(static_cast<unsigned char>(text[at + i]))) return 0;
  }
  return length;
}

std::string spelt_without(const std::string& character) {
  for (const Spelling& s : kWithoutUmlauts) {
    if (character == s.character) return s.spelt;
  }
  return "?";
}

}  // namespace

std::string in_charset(const std::string& utf8, const CharacterEncoder& encode) {
  std::string result;
  std::size_t at = 0;
  while (at < utf8.size()) {
    if (static_cast<unsigned char>(utf8[at]) < 0x80) {
      result += utf8[at++];
      continue;
    }
    const std::size_t length = character_length(utf8, at);
    if (length == 0) {
      result += '?';
      ++at;
      continue;
    }
    const std::string character = utf8.substr(at, length);
    const std::optional<std::string> encoded = encode(character);
    result += encoded ? *encoded : spelt_without(character);
    at += length;
  }
  return result;
}

std::string in_user_charset(const std::string& utf8, UserStream stream) {
  const bool to_error = stream == UserStream::standard_error;
  return in_charset(utf8, [to_error](const std::string& character) {
    return native::user_character(character, to_error);
  });
}

void write_to_user(const std::string& bytes, UserStream stream) {
  native::write_user_stream(bytes, stream == UserStream::standard_error);
}

}  // namespace rt
