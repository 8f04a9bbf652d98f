#include "text/visible_text.h"

#include <gtest/gtest.h>

#include <string>

namespace rt {
namespace {

struct VisibleCase {
  const char* name;
  std::string text;
  bool utf8;
  std::string shown;
};

TEST(VisibleText, CommandBytesShowInCaretNotationAndTheRestStays) {
  const VisibleCase cases[] = {
      {"an SGR sequence in a name", "guten\x1b[31mROT.srt", true, "guten^[[31mROT.srt"},
      {"BEL, BS, TAB, LF and CR keep their meaning", "a\x07\x08\x09\x0a\x0d", false,
       "a\x07\x08\x09\x0a\x0d"},
      {"NUL, the other C0 controls and DEL", std::string("\0\x01\x1a\x1f\x7f", 5), false,
       "^@^A^Z^_^?"},
      {"C1 bytes in a single-byte character set", "\x80\x9b\x9f\xa0\xe4", false,
       "M-^@M-^[M-^_\xa0\xe4"},
      {"U+0080..U+009F in UTF-8", "\xc2\x85\xc2\x9b\xc2\xa0", true, "M-^EM-^[\xc2\xa0"},
      {"umlauts and invalid bytes in UTF-8 stay", "\xc3\xbc\x9b\xff", true,
       "\xc3\xbc\x9b\xff"},
      {"an overlong ESC is no ESC, and stays", "\xc0\x9b", true, "\xc0\x9b"},
  };
  for (const VisibleCase& c : cases)
    EXPECT_EQ(visible_text(c.text, c.utf8), c.shown) << c.name;
}

TEST(Utf8Sequence, ValidFormsOnly) {
  const struct {
    std::string text;
    std::size_t length;
  } cases[] = {
      {"a", 1},           {"\xc3\xa4", 2},          {"\xe2\x82\xac", 3},
      {"\xf0\x9f\x98\x80", 4}, {"\xc1\xbf", 0},     {"\xe0\x9f\xbf", 0},
      {"\xed\xa0\x80", 0}, {"\xf4\x90\x80\x80", 0}, {"\xc3", 0},
      {"\x80", 0},        {"\xc3\x28", 0},          {"\xf8\x88\x80\x80\x80", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(utf8_sequence_length(c.text, 0), c.length) << c.text;
}

}  // namespace
}  // namespace rt
