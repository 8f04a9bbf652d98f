// What the user sees: edit_line_probe runs in a tmux window, keys are sent
// with send-keys, and the window's text and cursor are read back. tmux is a
// real terminal emulator, so these tests check the screen rather than the
// bytes. Skipped when tmux is not installed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/console/tmux_window.h"

namespace rt_test {
namespace {

std::vector<std::string> probe(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), RETIME_EDIT_LINE_PROBE);
  return arguments;
}

// The probe in a UTF-8 locale, whatever the tests run in.
std::vector<std::string> probe_in_utf8(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), {"env", "LC_ALL=C.UTF-8", RETIME_EDIT_LINE_PROBE});
  return arguments;
}

// The row the cursor stands on.
std::string cursor_row(TmuxWindow& w) {
  return w.row(static_cast<std::size_t>(w.cursor().second));
}

class OnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!tmux_available()) GTEST_SKIP() << "tmux is not installed";
  }
};

TEST_F(OnScreen, EditingCSubsIntoDSub) {
  TmuxWindow w(probe({"--wait", "C:\\subs"}), 80, 10);
  ASSERT_TRUE(w.started());
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: C:\\subs"));
  EXPECT_EQ(w.cursor(), std::make_pair(20, 0));  // column 21
  w.send_keys({"BSpace"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: C:\\sub"));
  EXPECT_EQ(w.cursor(), std::make_pair(19, 0));  // column 20
  w.send_keys({"Home", "D", "DC"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: D:\\sub"));
  EXPECT_EQ(w.cursor(), std::make_pair(14, 0));  // column 15
  w.send_keys({"Enter"});
  EXPECT_TRUE(w.wait_for_row(1, "[D:\\sub]"));
  w.send_keys({"q"});
}

// Escape answers the default and draws it in the edited text's place, so
// the screen never shows one text while the run goes on with another.
TEST_F(OnScreen, EscapeDrawsTheDefaultItAnswers) {
  TmuxWindow w(probe({"--wait", "abc"}), 80, 10);
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: abc"));
  w.send_keys({"x", "y", "Home"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: abcxy"));
  w.send_keys({"Escape"});
  EXPECT_TRUE(w.wait_for_row(1, "[abc]"));
  EXPECT_EQ(w.row(0), "Verzeichnis: abc");
  w.send_keys({"q"});
}

TEST_F(OnScreen, InsertingInTheMiddleMovesTheRestRight) {
  TmuxWindow w(probe({"--wait", "C:\\sbs"}), 80, 10);
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: C:\\sbs"));
  w.send_keys({"Left", "Left", "u"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: C:\\subs"));
  EXPECT_EQ(w.cursor(), std::make_pair(18, 0));
  w.send_keys({"End", "Enter"});
  EXPECT_TRUE(w.wait_for_row(1, "[C:\\subs]"));
  w.send_keys({"q"});
}

TEST_F(OnScreen, LongTextScrollsWithinTheRowWithoutWrapping) {
  const std::string text = "0123456789abcdefghijklmnopqrstuvwxyzABCD";  // 40
  TmuxWindow w(probe({"--wait", text}), 30, 8);  // 17 cells from column 14
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: " + text.substr(24)));
  EXPECT_EQ(w.row(1), "");
  EXPECT_EQ(w.cursor(), std::make_pair(29, 0));
  w.send_keys({"Home"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: " + text.substr(0, 17)));
  EXPECT_EQ(w.cursor(), std::make_pair(13, 0));
  w.send_keys({"X"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: X" + text.substr(0, 16)));
  EXPECT_EQ(w.cursor(), std::make_pair(14, 0));
  w.send_keys({"Enter"});
  EXPECT_TRUE(w.wait_for_row(1, "[X" + text.substr(0, 28)));
  w.send_keys({"q"});
}

TEST_F(OnScreen, LongTextOnTheLastRowDoesNotScrollTheWindow) {
  const std::string text = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
  TmuxWindow w(probe({"--lines", "10", "--wait", text}), 30, 5);
  ASSERT_TRUE(w.wait_for_row(4, "Verzeichnis: " + text.substr(24)));
  w.send_keys({"BSpace"});  // the window is drawn up to the right edge again
  ASSERT_TRUE(w.wait_for_row(4, "Verzeichnis: " + text.substr(23, 16)));
  w.send_keys({"Home", "Right"});
  ASSERT_TRUE(w.wait_for_row(4, "Verzeichnis: " + text.substr(0, 17)));
  EXPECT_EQ(w.row(3), "");
  EXPECT_EQ(w.cursor(), std::make_pair(14, 4));
  w.send_keys({"q"});
}

TEST_F(OnScreen, Utf8TextIsEditedByCharactersAndCells) {
  const std::string folder = "/tmp/x/\xC3\x9C" "bersetzungen";  // 20 cells
  TmuxWindow w(probe_in_utf8({"--wait", folder}), 80, 10);
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: " + folder));
  EXPECT_EQ(w.cursor(), std::make_pair(33, 0));  // right after the n
  w.send_keys({"\xC3\xA4"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: " + folder + "\xC3\xA4"));
  EXPECT_EQ(w.cursor(), std::make_pair(34, 0));
  w.send_keys({"BSpace"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: " + folder));
  EXPECT_EQ(w.cursor(), std::make_pair(33, 0));
  w.send_keys({"Home", "Right", "Right", "Right", "Right", "Right", "Right", "Right"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: " + folder));
  for (int i = 0; i < 50 && w.cursor().first != 20; ++i) w.row(0);
  EXPECT_EQ(w.cursor(), std::make_pair(20, 0));  // on the U with umlaut
  w.send_keys({"Right"});  // over it: one cell
  for (int i = 0; i < 50 && w.cursor().first != 21; ++i) w.row(0);
  EXPECT_EQ(w.cursor(), std::make_pair(21, 0));
  w.send_keys({"End"});
  for (int i = 0; i < 13; ++i) w.send_keys({"BSpace"});
  w.send_keys({"x"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: /tmp/x/x"));
  // A wide character takes two cells.
  w.send_keys({"\xE6\x97\xA5", "y"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: /tmp/x/x\xE6\x97\xA5y"));
  EXPECT_EQ(w.cursor(), std::make_pair(24, 0));
  w.send_keys({"Enter"});
  EXPECT_TRUE(w.wait_for_row(1, "[/tmp/x/x\xE6\x97\xA5y]"));
  w.send_keys({"q"});
}

TEST_F(OnScreen, ResizeWhileEditingDrawsTheRowAfresh) {
  TmuxWindow w(probe_in_utf8({"--wait", "/tmp/term-probe/abcdefghij"}), 80, 10);
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: /tmp/term-probe/abcdefghij"));
  w.resize(30, 10);
  w.send_keys({"BSpace"});
  // The prompt and a strip of the text up to the edge, the cursor on it,
  // nothing scattered below.
  const std::string narrow = "Verzeichnis: -probe/abcdefghi";
  bool shown = false;
  for (int i = 0; i < 100 && !shown; ++i) shown = cursor_row(w) == narrow;
  EXPECT_TRUE(shown) << cursor_row(w);
  EXPECT_EQ(w.cursor().first, 29);
  EXPECT_EQ(w.row(static_cast<std::size_t>(w.cursor().second) + 1), "");
  // Narrower than the prompt needs: the text alone, on one row.
  w.resize(10, 10);
  w.send_keys({"BSpace"});
  shown = false;
  for (int i = 0; i < 100 && !shown; ++i) shown = cursor_row(w) == "/abcdefgh";
  EXPECT_TRUE(shown) << cursor_row(w);
  EXPECT_EQ(w.row(static_cast<std::size_t>(w.cursor().second) + 1), "");
  w.resize(80, 10);
  w.send_keys({"BSpace"});
  const std::string wide = "Verzeichnis: /tmp/term-probe/abcdefg";
  shown = false;
  for (int i = 0; i < 100 && !shown; ++i) shown = cursor_row(w) == wide;
  EXPECT_TRUE(shown) << cursor_row(w);
  EXPECT_EQ(w.cursor().first, 36);
  EXPECT_EQ(w.row(static_cast<std::size_t>(w.cursor().second) + 1), "");
  const std::size_t row = static_cast<std::size_t>(w.cursor().second);
  w.send_keys({"Enter"});
  EXPECT_TRUE(w.wait_for_row(row + 1, "[/tmp/term-probe/abcdefg]"));
  w.send_keys({"q"});
}

}  // namespace
}  // namespace rt_test
