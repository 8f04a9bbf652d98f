// Our own texts in a character set, with stand-in character sets: the same
// rules on every platform, whatever set the machine running the test uses.
#include "text/user_charset.h"

#include <gtest/gtest.h>

#include <string>

namespace rt {
namespace {

// ISO 8859-1: the characters up to U+00FF, as one byte each.
std::optional<std::string> latin1(const std::string& character) {
  const unsigned char lead = static_cast<unsigned char>(character[0]);
  if (character.size() != 2 || lead > 0xC3) return std::nullopt;
  return std::string(1, static_cast<char>(((lead & 0x03) << 6) | (character[1] & 0x3F)));
}

std::optional<std::string> ascii_only(const std::string&) { return std::nullopt; }

std::optional<std::string> utf8(const std::string& character) { return character; }

TEST(UserCharset, OwnTextsInTheUsersCharacterSet) {
  struct Case {
    const char* name;
    CharacterEncoder encode;
    std::string utf8;
    std::string expected;
  };
  const Case cases[] = {
      {"UTF-8 kept", utf8, "l\xC3\xA4ngsten \xE2\x82\xAC", "l\xC3\xA4ngsten \xE2\x82\xAC"},
      {"ISO 8859-1", latin1, "l\xC3\xA4ngsten R\xC3\xBC" "ckgabe \xC3\x9F", "l\xE4ngsten R\xFC" "ckgabe \xDF"},
      {"lacking the euro sign", latin1, "5 \xE2\x82\xAC", "5 ?"},
      {"no umlauts at all", ascii_only, "l\xC3\xA4ngsten \xC3\x96l \xC3\x9F", "laengsten Oel ss"},
      {"not UTF-8", utf8, "a\xE4 b\xC3", "a? b?"},
      {"overlong and surrogate forms", utf8, "\xC0\xAF \xED\xA0\x80", "?? ???"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(in_charset(c.utf8, c.encode), c.expected) << c.name;
  }
}

}  // namespace
}  // namespace rt
