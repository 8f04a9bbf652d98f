#include "text/user_charset.h"

#include "text/console_print.h"
#include "text/visible_text.h"

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
    const std::size_t length = utf8_sequence_length(utf8, at);
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
    return user_character(character, to_error);
  });
}

void write_to_user(const std::string& bytes, UserStream stream) {
  std::string text;
  for (const char c : bytes) {
    if (c == '\n') text += console_line_end();
    else text += c;
  }
  write_standard_stream(text.data(), text.size(), stream == UserStream::standard_error);
}

}  // namespace rt
