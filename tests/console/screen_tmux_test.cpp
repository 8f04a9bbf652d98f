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

TEST_F(OnScreen, EscapeLeavesTheEditedTextShowingAndAnswersTheDefault) {
  TmuxWindow w(probe({"--wait", "abc"}), 80, 10);
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: abc"));
  w.send_keys({"x", "y"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: abcxy"));
  w.send_keys({"Escape"});
  EXPECT_TRUE(w.wait_for_row(1, "[abc]"));
  EXPECT_EQ(w.row(0), "Verzeichnis: abcxy");
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

}  // namespace
}  // namespace rt_test
