// What a person sees of a whole run: the real retime program in a window of
// a terminal emulator (tmux), keys sent as key names, the window's rows and
// cursor read back. Skipped when tmux is not installed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/console/tmux_window.h"
#include "tests/driver/installed_program.h"
#include "tests/driver/worked_example.h"

namespace rt::test_support {
namespace {

using rt_test::TmuxWindow;

class ProgramOnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!rt_test::tmux_available()) GTEST_SKIP() << "tmux is not installed";
  }
};

// Escape after an edit runs on the stored directory (whose name holds a
// dot: it is that directory, not the folder above) and shows it on the
// line, drawn in place of the edited text.
TEST_F(ProgramOnScreen, EscapeShowsAndRunsTheStoredDirectory) {
  InstalledProgram program;
  const std::string stored = program.root() + "/staffel.2";
  put_worked_pair(stored);
  put_worked_pair(program.root());
  program.store_settings(stored);

  TmuxWindow w({program.binary()}, 120, 20);
  ASSERT_TRUE(w.started());
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: " + stored, kRunLimitMs));
  w.send_keys({"x", "Left", "BSpace"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: " + stored.substr(0, stored.size() - 1) + "x", kRunLimitMs));
  w.send_keys({"Escape"});
  ASSERT_TRUE(w.wait_for_row(11, "Fertig", kRunLimitMs)) << w.row(0);

  const std::vector<std::string> expected = {
      "Verzeichnis: " + stored, "", " 1 Timecodedatei", "", " 1. Objekt",
      " Timecode: film1.srt", "     Text: film1.txt", "  Ausgabe: film1..src",
      " Lade Text...", " Berechne Korrekturfaktor...", "", "Fertig"};
  std::vector<std::string> screen = w.screen();
  screen.resize(expected.size());
  EXPECT_EQ(screen, expected);
  EXPECT_EQ(w.cursor(), std::make_pair(0, 12));  // below "Fertig", waiting

  w.send_keys({"q"});
  EXPECT_TRUE(w.wait_for_end(kRunLimitMs));
  EXPECT_EQ(program.settings(), settings_after_run(stored));
  EXPECT_EQ(file_bytes(worked_output_path(stored)), worked_output);
  EXPECT_FALSE(directory_exists(program.root() + "/untertitel"));
}

TEST_F(ProgramOnScreen, AFileNameCannotDriveTheTerminal) {
  InstalledProgram program;
  const std::string stored = program.root() + "/work";
  put_worked_pair(stored);
  // A timecode file whose name turns the rest of the screen red when
  // printed raw.
  ASSERT_EQ(std::rename((stored + "/film1.srt").c_str(),
                        (stored + "/guten\x1b[31mROT.srt").c_str()),
            0);
  program.store_settings(stored);

  TmuxWindow w({program.binary()}, 120, 20);
  ASSERT_TRUE(w.started());
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: " + stored, kRunLimitMs));
  w.send_keys({"Enter"});
  ASSERT_TRUE(w.wait_for_row(5, " Timecode: guten^[[31mROT.srt", kRunLimitMs))
      << w.row(5);
  bool done = false;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kRunLimitMs);
  while (!done && std::chrono::steady_clock::now() < deadline) {
    for (const std::string& row : w.screen()) done = done || row == "Fertig";
    if (!done) std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
  ASSERT_TRUE(done) << w.row(6);
  // No colour or other attribute anywhere on the screen.
  EXPECT_EQ(w.screen_with_attributes().find("\x1b["), std::string::npos)
      << w.screen_with_attributes();
  w.send_keys({"q"});
  EXPECT_TRUE(w.wait_for_end(kRunLimitMs));
}

}  // namespace
}  // namespace rt::test_support
