#include "text/texts.h"

#include <gtest/gtest.h>

#include <string>

namespace rt {
namespace {

using namespace std::string_literals;

TEST(Cutting, EdgesGiveShortenedOrEmptyTexts) {
  EXPECT_EQ(mid_text("abcdef", 3, -1), "cdef");
  EXPECT_EQ(mid_text("abcdef", 3, 2), "cd");
  EXPECT_EQ(mid_text("abcdef", 5, 10), "ef");
  EXPECT_EQ(mid_text("abc", 4, 1), "");
  EXPECT_EQ(mid_text("abc", 2, 0), "");
  EXPECT_EQ(mid_text("abc", 0, 2), "");
  EXPECT_EQ(mid_text("", 1, 1), "");
  EXPECT_EQ(left_text("abc", 5), "abc");
  EXPECT_EQ(left_text("abc", 2), "ab");
  EXPECT_EQ(left_text("abc", -1), "");
  EXPECT_EQ(right_text("abc", 0), "");
  EXPECT_EQ(right_text("abc", 2), "bc");
  EXPECT_EQ(right_text("abc", 9), "abc");
}

TEST(Cutting, NulBytesAreOrdinaryBytes) {
  std::string t = "a\0b\0c"s;
  EXPECT_EQ(text_length(t), 5);
  EXPECT_EQ(mid_text(t, 2, 3), "\0b\0"s);
  EXPECT_EQ(find(1, t, "\0c"s), 4);
}

TEST(LowerCase, LowersOnlyAsciiLetters) {
  EXPECT_EQ(lower_case("FILM1.TXT"), "film1.txt");
  EXPECT_EQ(lower_case("\xC4\xD6@[`{"), "\xC4\xD6@[`{");
  EXPECT_EQ(char_text(0xE4), "\xE4");
  EXPECT_EQ(char_text(0), "\0"s);
}

struct SearchCase {
  const char* what;
  Pos got;
  Pos expected;
};

TEST(Searches, EdgeResults) {
  const SearchCase cases[] = {
      {"find empty pattern", find(1, "abc", ""), 0},
      {"find start past end", find(4, "abc", "c"), 0},
      {"find at last position", find(3, "abc", "c"), 3},
      {"find from 2", find(2, "abcbc", "bc"), 2},
      {"find from 3", find(3, "abcbc", "bc"), 4},
      {"find start below 1", find(0, "abc", "a"), 0},
      {"find pattern longer", find(1, "ab", "abc"), 0},
      {"find in empty", find(1, "", "a"), 0},
      {"find_any past end", find_any(5, "abc", "c"), 0},
      {"find_any set", find_any(1, "abc", "cb"), 2},
      {"find_any none", find_any(1, "abc", "xyz"), 0},
      {"find_any start 0", find_any(0, "abc", "a"), 0},
      {"find_any empty set", find_any(1, "abc", ""), 0},
      {"find_last whole", find_last("a.b.c", ".", -1), 4},
      {"find_last bounded", find_last("a.b.c", ".", 3), 2},
      {"find_last start 0", find_last("a.b.c", ".", 0), 0},
      {"find_last start past end", find_last("a.b.c", ".", 6), 0},
      {"find_last pulls back to fit", find_last("abab", "ab", 4), 3},
      {"find_last none", find_last("abc", "x", -1), 0},
      {"find_any_last bounded", find_any_last("a.b", ".", 3), 2},
      {"find_any_last past end", find_any_last("a.b", ".", 4), 0},
      {"find_any_last whole", find_any_last("a\\b/c", "\\/", -1), 4},
      {"find_any_last start 0", find_any_last("a.b", ".", 0), 0},
      {"find_any_last at start", find_any_last(".ab", ".", 1), 1},
      {"find_any_last none", find_any_last("abc", ".", -1), 0},
  };
  for (const SearchCase& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
}

}  // namespace
}  // namespace rt
