#include "console/line_editor.h"

#include <gtest/gtest.h>

#include "tests/case_name.h"

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "console/keys.h"

namespace rt {
namespace {

using rt_test::case_name;

std::string ch(int code) { return std::string(1, static_cast<char>(code)); }

const std::string kBackspace = ch(8);
const std::string kEnter = ch(13);
const std::string kEscape = ch(27);
const std::string kLeft = special_key(key_code::kLeft);
const std::string kRight = special_key(key_code::kRight);
const std::string kHome = special_key(key_code::kHome);
const std::string kEnd = special_key(key_code::kEnd);
const std::string kDelete = special_key(key_code::kDel);
constexpr CharacterSet kUtf8 = CharacterSet::utf8;

struct KeyRun {
  LineEdit edit;
  std::vector<EditAction> actions;
};

// Applies keys as the key loop does, up to the key that finishes.
KeyRun run_keys(const std::string& default_text, const std::vector<std::string>& keys,
             const std::string& last_entry = " ",
             CharacterSet characters = CharacterSet::single_byte_with_c1) {
  KeyRun run{begin_edit(default_text, characters), {}};
  for (const std::string& key : keys) {
    run.actions.push_back(apply_key(run.edit, key, last_entry));
    if (run.actions.back() == EditAction::finish) break;
  }
  return run;
}

struct EditCase {
  const char* name;
  std::string default_text;
  std::vector<std::string> keys;
  std::string last_entry;
  std::string result;
  Pos index;  // where the cursor ends
  // The console's character set: single-byte with C1 controls, unless said.
  CharacterSet characters = CharacterSet::single_byte_with_c1;
};

void PrintTo(const EditCase& c, std::ostream* out) { *out << c.name; }

class Editing : public ::testing::TestWithParam<EditCase> {};

TEST_P(Editing, GivesTheExpectedTextAndCursor) {
  const EditCase& c = GetParam();
  KeyRun run = run_keys(c.default_text, c.keys, c.last_entry, c.characters);
  EXPECT_EQ(edit_result(run.edit), c.result) << c.name;
  EXPECT_EQ(run.edit.index, c.index) << c.name;
  // The added blank is always there, at the end.
  ASSERT_FALSE(run.edit.buffer.empty()) << c.name;
  EXPECT_EQ(run.edit.buffer.back(), ' ') << c.name;
}

const EditCase kEditCases[] = {
    {"C:\\subs edited into D:\\sub", "C:\\subs", {kBackspace, kHome, "D", kDelete, kEnter}, " ",
     "D:\\sub", 2},
    {"empty default and Enter", "", {kEnter}, " ", "", 1},
    {"empty default and Escape", "", {kEscape}, " ", "", 1},
    {"Enter keeps the default", "C:\\subs", {kEnter}, " ", "C:\\subs", 8},
    // The cursor goes after the default, where the line drawn again shows it.
    {"Escape after edits gives the default", "abc", {kBackspace, "x", kLeft, kEscape},
     " ", "abc", 4},
    {"typing at the end appends", "ab", {"c", "d", kEnter}, " ", "abcd", 5},
    {"typing inside inserts", "abd", {kLeft, "c", kEnter}, " ", "abcd", 4},
    {"Home then typing inserts at the start", "bc", {kHome, "a", kEnter}, " ", "abc", 2},
    {"Backspace at index 1 does nothing", "ab", {kHome, kBackspace, kEnter}, " ", "ab", 1},
    {"Delete on the added blank does nothing", "ab", {kDelete, kDelete, kEnter}, " ",
     "ab", 3},
    {"Delete removes the character under the cursor", "abc", {kHome, kDelete, kEnter},
     " ", "bc", 1},
    {"Left at index 1 does nothing", "ab", {kHome, kLeft, kEnter}, " ", "ab", 1},
    {"Right on the blank with text does nothing", "ab", {kRight, kEnter}, "old ", "ab", 3},
    {"Right moves within the text", "abc", {kHome, kRight, kRight, kEnter}, " ", "abc", 3},
    {"End goes after the text", "abc", {kHome, kEnd, kEnter}, " ", "abc", 4},
    {"Right on an empty line with a blank last entry", "", {kRight, kEnter}, " ", "", 1},
    {"Right on an empty line recalls the last entry", "", {kRight, kEnter}, "D:\\old ",
     "D:\\old", 7},
    {"Right after erasing everything recalls", "a", {kBackspace, kRight, "x", kEnter},
     "yz ", "yzx", 4},
    {"umlaut byte is inserted", "Gr", {ch(0xE4), "n", kEnter}, " ", "Gr\xE4n", 5},
    {"byte 255 alone is a character", "", {ch(255), kEnter}, " ", "\xFF", 2},
    {"DEL as a character is inserted", "", {ch(127), kEnter}, " ", "\x7F", 2},
    {"Enter in the middle returns the whole text", "abc", {kLeft, kLeft, kEnter}, " ",
     "abc", 2},
    {"Tab and other control codes are ignored", "ab",
     {ch(9), ch(1), ch(10), ch(31), ch(0), kEnter}, " ", "ab", 3},
    {"other special keys change nothing", "abc",
     {special_key(key_code::kUp), special_key(key_code::kDown),
      special_key(key_code::kInsert), special_key(key_code::kPageUp),
      special_key(key_code::kPageDown), special_key(key_code::kF1),
      special_key(key_code::kF12), special_key(key_code::kCtrlLeft),
      special_key(key_code::kCtrlRight), special_key(key_code::kAltLeft),
      special_key(key_code::kCtrlHome), special_key(key_code::kAltEnd),
      special_key(key_code::kCtrlDel), special_key(key_code::kAltDel),
      special_key(key_code::kUnknown), kEnter},
     " ", "abc", 4},
    {"the first character of a special key is not looked at", "abc",
     {std::string("\0K", 2), "x", kEnter}, " ", "abxc", 4},
    {"longer key texts are ignored", "ab", {"xyz", kEnter}, " ", "ab", 3},
    {"keys after Enter are not taken", "ab", {kEnter, "x"}, " ", "ab", 3},
    // UTF-8: "\xC3\x9C" is U+00DC, "\xC3\xA4" U+00E4, "\xE2\x82\xAC" U+20AC.
    {"UTF-8: typed two-byte character and Backspace give the default back",
     "/tmp/x/\xC3\x9C" "bersetzungen", {ch(0xC3), ch(0xA4), kBackspace, kEnter}, " ",
     "/tmp/x/\xC3\x9C" "bersetzungen", 22, kUtf8},
    {"UTF-8: End, 13 Backspaces and x leave no byte of the umlaut",
     "/tmp/x/\xC3\x9C" "bersetzungen",
     {kEnd, kBackspace, kBackspace, kBackspace, kBackspace, kBackspace, kBackspace,
      kBackspace, kBackspace, kBackspace, kBackspace, kBackspace, kBackspace, kBackspace,
      "x", kEnter},
     " ", "/tmp/x/x", 9, kUtf8},
    {"UTF-8: Left and Delete take a three-byte character whole", "a\xE2\x82\xAC" "b",
     {kLeft, kLeft, kDelete, kEnter}, " ", "ab", 2, kUtf8},
    {"UTF-8: Right steps over a whole character", "\xC3\xA4" "b",
     {kHome, kRight, kEnter}, " ", "\xC3\xA4" "b", 3, kUtf8},
    {"UTF-8: a byte of no valid sequence is one character", "a\xFF\xC3" "b",
     {kLeft, kBackspace, kBackspace, kEnter}, " ", "ab", 2, kUtf8},
    {"UTF-8: an overlong form and a surrogate are single bytes",
     "\xC0\xAF\xED\xA0\x80", {kBackspace, kBackspace, kEnter}, " ", "\xC0\xAF\xED", 4,
     kUtf8},
    {"single byte: Backspace removes one byte of a UTF-8 sequence", "\xC3\xA4",
     {kBackspace, kEnter}, " ", "\xC3", 2},
    // Code page 932: "\x93\xFA" and "\x96\x7B" are two characters of two
    // bytes each, typed as their lead and trail bytes.
    {"code page 932: Backspace and Left take a double-byte character whole, "
     "one typed in front stays whole",
     "\x93\xFA\x96\x7B", {kBackspace, kLeft, ch(0x96), ch(0x7B), kEnter}, " ",
     "\x96\x7B\x93\xFA", 3, CharacterSet::shift_jis},
};

INSTANTIATE_TEST_SUITE_P(LineEditor, Editing, ::testing::ValuesIn(kEditCases),
                         case_name<EditCase>);

TEST(LineEditor, EditingCSubsIntoDSubStepByStep) {
  LineEdit edit = begin_edit("C:\\subs");
  EXPECT_EQ(edit.buffer, "C:\\subs ");
  EXPECT_EQ(edit.index, 8);

  EXPECT_EQ(apply_key(edit, kBackspace, " "), EditAction::redraw);
  EXPECT_EQ(edit.buffer, "C:\\sub ");
  EXPECT_EQ(edit.index, 7);
  EXPECT_EQ(apply_key(edit, kHome, " "), EditAction::place);
  EXPECT_EQ(edit.index, 1);
  EXPECT_EQ(apply_key(edit, "D", " "), EditAction::redraw);
  EXPECT_EQ(edit.buffer, "DC:\\sub ");
  EXPECT_EQ(edit.index, 2);
  EXPECT_EQ(apply_key(edit, kDelete, " "), EditAction::redraw);
  EXPECT_EQ(edit.buffer, "D:\\sub ");
  EXPECT_EQ(edit.index, 2);
  EXPECT_EQ(apply_key(edit, kEnter, " "), EditAction::finish);
  EXPECT_EQ(edit_result(edit), "D:\\sub");
}

TEST(LineEditor, EscapePutsBackTheDefaultBufferForLastEntry) {
  LineEdit edit = begin_edit("abc");
  apply_key(edit, "x", " ");
  EXPECT_EQ(apply_key(edit, kEscape, " "), EditAction::finish);
  EXPECT_EQ(edit.buffer, "abc ");
}

TEST(LineEditor, ActionsFollowTheKeyTables) {
  struct Step {
    std::string key;
    EditAction action;
  };
  const std::vector<Step> steps = {
      {"x", EditAction::redraw},         {kLeft, EditAction::place},
      {kRight, EditAction::place},       {kRight, EditAction::none},
      {kHome, EditAction::place},        {kHome, EditAction::place},
      {kLeft, EditAction::none},         {kBackspace, EditAction::none},
      {kEnd, EditAction::place},         {kDelete, EditAction::none},
      {kBackspace, EditAction::redraw},  {ch(9), EditAction::none},
      {special_key(key_code::kUp), EditAction::none},
      {kEscape, EditAction::finish},
  };
  LineEdit edit = begin_edit("ab");
  for (const Step& s : steps)
    EXPECT_EQ(apply_key(edit, s.key, " "), s.action) << "key " << s.key;
}

TEST(LineEditor, RecallPrintsAtTheCursor) {
  LineEdit edit = begin_edit("");
  EXPECT_EQ(apply_key(edit, kRight, "abc "), EditAction::print_at_cursor);
  EXPECT_EQ(edit.buffer, "abc ");
  EXPECT_EQ(edit.index, 4);
  // With a single blank as the last entry the line stays as it is.
  LineEdit empty = begin_edit("");
  EXPECT_EQ(apply_key(empty, kRight, " "), EditAction::print_at_cursor);
  EXPECT_EQ(empty.buffer, " ");
  EXPECT_EQ(empty.index, 1);
}

// --- What the screen shows ---

TEST(LineView, FittingTextIsPrintedWholeAndPlacedByIndex) {
  // C:\subs edited into D:\sub, start column 14 in an 80-column window.
  const Pos width = 80 - 14 + 1;
  LineView view;
  LineEdit edit = begin_edit("C:\\subs");
  ScreenUpdate start = plan_update(EditAction::redraw, edit, view, width);
  EXPECT_EQ(start.kind, EditAction::redraw);
  EXPECT_EQ(start.text, "C:\\subs ");
  EXPECT_EQ(14 + start.cursor_offset, 21);

  ScreenUpdate u = plan_update(apply_key(edit, kBackspace, " "), edit, view, width);
  EXPECT_EQ(u.kind, EditAction::redraw);
  EXPECT_EQ(u.text, "C:\\sub ");  // columns 14..20; 21 keeps its old blank
  EXPECT_EQ(14 + u.cursor_offset, 20);

  u = plan_update(apply_key(edit, kHome, " "), edit, view, width);
  EXPECT_EQ(u.kind, EditAction::place);
  EXPECT_EQ(14 + u.cursor_offset, 14);

  u = plan_update(apply_key(edit, "D", " "), edit, view, width);
  EXPECT_EQ(u.text, "DC:\\sub ");
  EXPECT_EQ(14 + u.cursor_offset, 15);

  u = plan_update(apply_key(edit, kDelete, " "), edit, view, width);
  EXPECT_EQ(u.text, "D:\\sub ");
  EXPECT_EQ(14 + u.cursor_offset, 15);

  u = plan_update(apply_key(edit, kEnter, " "), edit, view, width);
  EXPECT_EQ(u.kind, EditAction::none);
}

TEST(LineView, NothingChangesForIgnoredKeys) {
  LineView view;
  LineEdit edit = begin_edit("ab");
  plan_update(EditAction::redraw, edit, view, 10);
  ScreenUpdate u =
      plan_update(apply_key(edit, special_key(key_code::kUp), " "), edit, view, 10);
  EXPECT_EQ(u.kind, EditAction::none);
  EXPECT_TRUE(u.text.empty());
}

TEST(LineView, RecallIsPrintedAtTheCursor) {
  LineView view;
  LineEdit edit = begin_edit("");
  plan_update(EditAction::redraw, edit, view, 20);
  ScreenUpdate u = plan_update(apply_key(edit, kRight, "xyz "), edit, view, 20);
  EXPECT_EQ(u.kind, EditAction::print_at_cursor);
  EXPECT_EQ(u.text, "xyz ");
  EXPECT_EQ(u.cursor_offset, 3);
}

TEST(LineView, UnknownWidthNeverScrolls) {
  LineView view;
  LineEdit edit = begin_edit(std::string(500, 'a'));
  ScreenUpdate u = plan_update(EditAction::redraw, edit, view, 0);
  EXPECT_EQ(u.text, edit.buffer);
  EXPECT_EQ(u.cursor_offset, 500);
}

TEST(LineView, LongTextShowsAWindowThatFollowsTheCursor) {
  const Pos width = 5;
  LineView view;
  LineEdit edit = begin_edit("abcdefghij");  // 11 with the blank
  ScreenUpdate u = plan_update(EditAction::redraw, edit, view, width);
  EXPECT_EQ(u.text, "ghij ");
  EXPECT_EQ(u.cursor_offset, 4);

  // A move inside the window only places the cursor.
  u = plan_update(apply_key(edit, kLeft, " "), edit, view, width);
  EXPECT_EQ(u.kind, EditAction::place);
  EXPECT_EQ(u.cursor_offset, 3);

  // Leaving the window moves it, and it is drawn again.
  u = plan_update(apply_key(edit, kHome, " "), edit, view, width);
  EXPECT_EQ(u.kind, EditAction::redraw);
  EXPECT_EQ(u.text, "abcde");
  EXPECT_EQ(u.cursor_offset, 0);

  for (int i = 0; i < 5; ++i) apply_key(edit, kRight, " ");
  u = plan_update(EditAction::place, edit, view, width);
  EXPECT_EQ(u.kind, EditAction::redraw);
  EXPECT_EQ(u.text, "bcdef");
  EXPECT_EQ(u.cursor_offset, 4);

  u = plan_update(apply_key(edit, kEnd, " "), edit, view, width);
  EXPECT_EQ(u.text, "ghij ");
  EXPECT_EQ(u.cursor_offset, 4);
}

TEST(LineView, ShrinkingBackToFitShowsTheWholeText) {
  const Pos width = 5;
  LineView view;
  LineEdit edit = begin_edit("abcde");  // 6 with the blank: one too many
  ScreenUpdate u = plan_update(EditAction::redraw, edit, view, width);
  EXPECT_EQ(u.text, "bcde ");
  u = plan_update(apply_key(edit, kBackspace, " "), edit, view, width);
  EXPECT_EQ(u.kind, EditAction::redraw);
  EXPECT_EQ(u.text, "abcd ");
  EXPECT_EQ(u.cursor_offset, 4);
}

TEST(LineView, NarrowerWindowIsCoveredToItsEdge) {
  LineView view;
  LineEdit edit = begin_edit("abcdefgh");
  plan_update(EditAction::redraw, edit, view, 20);  // shows "abcdefgh "
  apply_key(edit, kHome, " ");
  // The window got narrower than the text: the window's cells are all
  // rewritten, none beyond.
  ScreenUpdate u = plan_update(EditAction::place, edit, view, 4);
  EXPECT_EQ(u.kind, EditAction::place);  // the view did not move
  for (int i = 0; i < 3; ++i) apply_key(edit, kDelete, " ");  // "defgh "
  u = plan_update(EditAction::redraw, edit, view, 10);
  EXPECT_EQ(u.text, "defgh   ");  // covers the old "abcdefgh"
}

struct CellCase {
  const char* name;
  std::string default_text;
  std::vector<std::string> keys;  // applied before the last drawing
  Pos width;
  std::string text;  // what the last drawing shows
  Pos cursor_offset;
};

void PrintTo(const CellCase& c, std::ostream* out) { *out << c.name; }

class CellsInUtf8 : public ::testing::TestWithParam<CellCase> {};

TEST_P(CellsInUtf8, ShowWholeCharactersAndPlaceTheCursorByCells) {
  const CellCase& c = GetParam();
  LineView view;
  LineEdit edit = begin_edit(c.default_text, kUtf8);
  plan_update(EditAction::redraw, edit, view, c.width);
  for (const std::string& key : c.keys) apply_key(edit, key, " ");
  ScreenUpdate u = plan_update(EditAction::redraw, edit, view, c.width);
  EXPECT_EQ(u.text, c.text) << c.name;
  EXPECT_EQ(u.cursor_offset, c.cursor_offset) << c.name;
}

// "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E" is three wide characters, two
// cells each; "e\xCC\x81" is e and a combining acute accent.
const CellCase kCellCases[] = {
    {"a two-byte character is one cell", "/tmp/x/\xC3\x9C" "bersetzungen", {}, 0,
     "/tmp/x/\xC3\x9C" "bersetzungen ", 20},
    {"Left over an umlaut moves one cell", "gr\xC3\xBC" "n", {kLeft, kLeft}, 0,
     "gr\xC3\xBC" "n ", 2},
    {"wide characters take two cells", "\xE6\x97\xA5\xE6\x9C\xAC", {kLeft}, 0,
     "\xE6\x97\xA5\xE6\x9C\xAC ", 2},
    {"a combining mark takes none", "e\xCC\x81" "x", {}, 0, "e\xCC\x81" "x ", 2},
    {"an invalid byte shows as one cell", "a\xFF" "b", {}, 0, "a?b ", 3},
    {"an ESC byte shows in caret notation", "a\x1b[31m", {}, 0, "a^[[31m ", 7},
    {"a C1 control shows visibly", "a\xC2\x9B" "b", {}, 0, "aM-^[b ", 6},
    {"scrolling counts cells", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", {}, 5,
     "\xE6\x9C\xAC\xE8\xAA\x9E ", 4},
    {"a wide character never straddles the right edge",
     "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", {kHome}, 5,
     "\xE6\x97\xA5\xE6\x9C\xAC", 0},
};

INSTANTIATE_TEST_SUITE_P(LineView, CellsInUtf8, ::testing::ValuesIn(kCellCases),
                         case_name<CellCase>);

}  // namespace
}  // namespace rt
