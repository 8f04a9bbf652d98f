#include "text/visible_text.h"

#include <gtest/gtest.h>

#include <string>

#include "text/encodings.h"

namespace rt {
namespace {

constexpr CharacterSet kUtf8 = CharacterSet::utf8;
constexpr CharacterSet kLatin1 = CharacterSet::single_byte_with_c1;

struct VisibleCase {
  const char* name;
  std::string text;
  CharacterSet set;
  std::string shown;
  std::size_t cells;  // of the shown text
};

TEST(VisibleText, CommandBytesShowInCaretNotationAndTheRestStays) {
  const CharacterSet windows_1252 = character_set_of_code_page(1252);
  const CharacterSet windows_850 = character_set_of_code_page(850);
  const CharacterSet windows_utf8 = character_set_of_code_page(65001);
  const CharacterSet windows_932 = character_set_of_code_page(932);
  const CharacterSet windows_936 = character_set_of_code_page(936);
  const VisibleCase cases[] = {
      {"an SGR sequence in a name", "guten\x1b[31mROT.srt", kUtf8, "guten^[[31mROT.srt", 18},
      {"BEL, BS, TAB, LF and CR keep their meaning", "a\x07\x08\x09\x0a\x0d", kLatin1,
       "a\x07\x08\x09\x0a\x0d", 6},
      {"NUL, the other C0 controls and DEL", std::string("\0\x01\x1a\x1f\x7f", 5), kLatin1,
       "^@^A^Z^_^?", 10},
      {"C1 bytes in a single-byte character set", "\x80\x9b\x9f\xa0\xe4", kLatin1,
       "M-^@M-^[M-^_\xa0\xe4", 14},
      {"U+0080..U+009F in UTF-8", "\xc2\x85\xc2\x9b\xc2\xa0", kUtf8, "M-^EM-^[\xc2\xa0", 9},
      {"umlauts and invalid bytes in UTF-8 stay", "\xc3\xbc\x9b\xff", kUtf8,
       "\xc3\xbc\x9b\xff", 3},
      {"an overlong ESC is no ESC, and stays", "\xc0\x9b", kUtf8, "\xc0\x9b", 2},
      // The code pages of Windows: 0x80..0x9F are the euro sign, dashes,
      // quotes and more in Windows-1252, letters in the OEM code page 850.
      {"Windows-1252: an en dash in a name", "Folge 1 \x96 Pilot.srt", windows_1252,
       "Folge 1 \x96 Pilot.srt", 19},
      {"Windows-1252: every byte from 0x80 up is a character", "\x80\x84\x85\x8d\x9b\x9f\xe4",
       windows_1252, "\x80\x84\x85\x8d\x9b\x9f\xe4", 7},
      {"Windows-1252: ESC and DEL still show visibly", "a\x1b[2Jb\x7f", windows_1252,
       "a^[[2Jb^?", 9},
      {"code page 850: 0x81 is a letter", "M\x81ller", windows_850, "M\x81ller", 6},
      {"code page 65001: characters, and U+009B still a command",
       "\xe2\x80\x93\xc2\x9b\xe6\x97\xa5", windows_utf8, "\xe2\x80\x93M-^[\xe6\x97\xa5", 7},
      {"code page 932: lead and trail bytes are characters", "\x93\xfa\x96\x7b.srt", windows_932,
       "\x93\xfa\x96\x7b.srt", 8},
      {"code page 932: a half-width katakana and a lead byte without trail",
       "\xb1\x93", windows_932, "\xb1\x93", 2},
      {"code page 936: a trail byte of 0x5C is part of its character", "\x81\x5c\x1b",
       windows_936, "\x81\x5c^[", 4},
  };
  for (const VisibleCase& c : cases) {
    EXPECT_EQ(visible_text(c.text, c.set), c.shown) << c.name;
    EXPECT_EQ(text_cells(c.shown, c.set), c.cells) << c.name;
  }
}

TEST(CharacterSets, OfTheCodePagesOfWindows) {
  EXPECT_EQ(character_set_of_code_page(1252), CharacterSet::single_byte);
  EXPECT_EQ(character_set_of_code_page(1250), CharacterSet::single_byte);
  EXPECT_EQ(character_set_of_code_page(437), CharacterSet::single_byte);
  EXPECT_EQ(character_set_of_code_page(65001), CharacterSet::utf8);
  EXPECT_EQ(character_set_of_code_page(932), CharacterSet::shift_jis);
  EXPECT_EQ(character_set_of_code_page(936), CharacterSet::gbk);
  EXPECT_EQ(character_set_of_code_page(949), CharacterSet::uhc);
  EXPECT_EQ(character_set_of_code_page(950), CharacterSet::big5);
}

TEST(CharacterSets, AnUnfinishedCharacterBeforeTheEnd) {
  const struct {
    std::string text;
    std::size_t end;
    CharacterSet set;
    bool unfinished;
  } cases[] = {
      {"a\xc3", 2, kUtf8, true},         {"a\xc3\xa4", 3, kUtf8, false},
      {"\xe2\x82", 2, kUtf8, true},      {"a\xc3", 2, kLatin1, false},
      {"a\x93 ", 2, CharacterSet::shift_jis, true},
      {"a\x93\xfa ", 3, CharacterSet::shift_jis, false},
      // 0x93 0x81: a whole character, whose trail byte 0x81 is a lead byte too.
      {"\x93\x81 ", 2, CharacterSet::shift_jis, false},
      // Before the cursor stands a lead byte; the "A" after it is no part of it.
      {"\x93" "A ", 1, CharacterSet::shift_jis, true},
      {"a\x93", 2, CharacterSet::single_byte, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ends_in_unfinished_character(c.text, c.end, c.set), c.unfinished) << c.text;
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

// A text file is UTF-8 by its mark or by its multi-byte characters; every
// other text is read a byte a character.
TEST(TextEncoding, Utf8IsToldByItsMarkOrItsMultiByteCharacters) {
  const struct {
    const char* what;
    std::string text;
    bool utf8;
  } cases[] = {
      {"empty", "", false},
      {"ASCII", "Hallo Welt.", false},
      {"umlauts in UTF-8", "Gr\xc3\xbc\xc3\x9f" "e", true},
      {"the same in ISO 8859-1", "Gr\xfc\xdf" "e", false},
      {"a Windows-1252 quote", "\x84Ja\x93", false},
      {"the mark before ASCII", "\xef\xbb\xbfHallo", true},
      {"the mark alone", "\xef\xbb\xbf", true},
      {"the mark before bytes of no sequence", "\xef\xbb\xbf\xfc", true},
      {"UTF-8 with one byte of no sequence", "\xc3\xbc \xfc", false},
      {"an overlong form", "\xc1\xbf", false},
      {"the mark later in the text", "a\xef\xbb\xbf", true},  // a valid U+FEFF
  };
  for (const auto& c : cases) EXPECT_EQ(reads_as_utf8(c.text), c.utf8) << c.what;

  for (int b = 0; b < 256; ++b) {
    const char32_t c = windows_1252_code_point(static_cast<unsigned char>(b));
    if (c != 0 || b == 0) {
      EXPECT_EQ(windows_1252_byte(c), b) << b;
    }
  }
  EXPECT_EQ(windows_1252_code_point(0x80), U'\u20ac');
  EXPECT_EQ(windows_1252_code_point(0x81), 0u);
  for (const char32_t lacking : {U'\u0081', U'\u009b', U'\u0141', U'\u2192', U'\U0001F600'}) {
    EXPECT_EQ(windows_1252_byte(lacking), -1) << static_cast<unsigned>(lacking);
  }
  std::string marked = "\xef\xbb\xbf" "1";
  EXPECT_TRUE(drop_utf8_mark(marked));
  EXPECT_EQ(marked, "1");
  EXPECT_FALSE(drop_utf8_mark(marked));
}

}  // namespace
}  // namespace rt
