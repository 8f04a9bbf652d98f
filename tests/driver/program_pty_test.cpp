// The real retime program on a pseudo-terminal: a copy of the binary runs
// in a fresh directory, the prompt is answered by typing keys as a terminal
// sends them, and the bytes on the terminal, the written files and the
// settings file are checked, as are the terminal's mode and the program's
// end.
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/case_name.h"

#include <cctype>
#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tests/console/pty_process.h"
#include "tests/driver/installed_program.h"
#include "tests/driver/worked_example.h"

namespace rt::test_support {
namespace {

using rt_test::PtyOptions;
using rt_test::PtyProcess;

const std::string kCrLf = "\r\n";
const std::string kPrompt = "Verzeichnis: ";
const std::string kShowCursor = "\x1b[?25h";
// The harness answers the cursor query with row 1, column 14: the cell
// right after the prompt on a fresh screen.
const std::string kQueryCursor = "\x1b[6n";
const std::string kToStartColumn = "\x1b[1;14H";

// Keys as a terminal sends them.
const std::string kEnter = "\r";
const std::string kBackspace = "\x7f";
const std::string kEscape = "\x1b";
const std::string kHome = "\x1b[H";
const std::string kDelete = "\x1b[3~";
const std::string kRight = "\x1b[C";

// How long a program that must go on waiting is watched.
constexpr int kStillWaitingMs = 500;

// The screen right after the prompt with an empty line: the prompt, the
// cursor query, one blank at the start column and the cursor back there.
const std::string kEmptyLineShown =
    kPrompt + kQueryCursor + kToStartColumn + kShowCursor + " " + kToStartColumn + kShowCursor;

// Starts the installed program on a wide terminal (long scratch paths fit
// on the line) and waits until its editable line is shown: the start
// placement and the placement after the text both show the cursor.
std::unique_ptr<PtyProcess> start_prompt(const InstalledProgram& program,
                                         PtyOptions options = {}) {
  options.columns = 250;
  auto p = std::make_unique<PtyProcess>(std::vector<std::string>{program.binary()}, options);
  EXPECT_TRUE(p->wait_for_output(kPrompt + kQueryCursor, kRunLimitMs)) << p->output();
  auto start = std::chrono::steady_clock::now();
  while (rt_test::count_of(p->output(), kShowCursor) < 2 &&
         std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kRunLimitMs))
    p->collect(10);
  return p;
}

// Types each key; a lone Escape gets a quiet moment after it, as a key
// press has, so that it is not read as the start of a sequence.
void type_keys(PtyProcess& p, const std::vector<std::string>& keys) {
  for (const std::string& k : keys) {
    p.type(k);
    if (k == kEscape) p.collect(150);
  }
}

// Everything from the first line end on: the answer's line is never ended
// before Enter, so this is what the run printed after the prompt.
std::string after_the_prompt(const std::string& output) {
  std::size_t at = output.find(kCrLf);
  return at == std::string::npos ? "(no line end)" : output.substr(at);
}

// Whether the pieces appear in output in this order.
bool appear_in_order(const std::string& output, const std::vector<std::string>& pieces) {
  std::size_t from = 0;
  for (const std::string& piece : pieces) {
    std::size_t at = output.find(piece, from);
    if (at == std::string::npos) return false;
    from = at + piece.size();
  }
  return true;
}

bool exited_with_0(const PtyProcess& p) {
  return WIFEXITED(p.status()) && WEXITSTATUS(p.status()) == 0;
}

// The mode of a terminal nobody has touched: what the program found.
termios fresh_terminal_mode() {
  int master = -1;
  int slave = -1;
  termios mode{};
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) == 0) {
    tcgetattr(slave, &mode);
    close(master);
    close(slave);
  }
  return mode;
}

void expect_terminal_as_before_start(const PtyProcess& p) {
  const termios before = fresh_terminal_mode();
  const termios after = p.terminal_mode();
  EXPECT_TRUE((before.c_lflag & ECHO) && (before.c_lflag & ICANON));
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_cc[VMIN], before.c_cc[VMIN]);
  EXPECT_EQ(after.c_cc[VTIME], before.c_cc[VTIME]);
}

// Waits for "Fertig", presses a key, and waits for the end.
void finish_run(PtyProcess& p) {
  ASSERT_TRUE(p.wait_for_output("Fertig" + kCrLf, kRunLimitMs)) << p.output();
  p.type("x");
  ASSERT_TRUE(p.wait_for_exit(kRunLimitMs)) << p.output();
}

TEST(ProgramOnTerminal, FirstRunCreatesTheSettingsAndTakesItsOwnDirectoryOnEnter) {
  InstalledProgram program;
  put_worked_pair(program.folder());
  ASSERT_FALSE(program.settings());

  auto p = start_prompt(program);
  EXPECT_EQ(p->output(), kEmptyLineShown);
  // Created with the two extensions before the question is asked.
  EXPECT_EQ(program.settings(),
            "\r\ntexterweiterung=.txt\r\nausgabeerweiterung=.src\r\n");

  p->type(kEnter);
  finish_run(*p);
  EXPECT_TRUE(exited_with_0(*p));
  EXPECT_EQ(p->output(), kEmptyLineShown + report_with_worked_pair(kCrLf) + kShowCursor);
  EXPECT_EQ(program.settings(), settings_after_run(program.folder()));
  EXPECT_EQ(file_bytes(worked_output_path(program.folder())), worked_output);
  EXPECT_FALSE(file_bytes(program.settings_rewrite_path())) << "rewrite file left behind";
  expect_terminal_as_before_start(*p);
}

TEST(ProgramOnTerminal, EditingTheStoredDirectoryProcessesAndStoresTheEditedOne) {
  InstalledProgram program;
  const std::string stored = program.root() + "/subs";
  // Backspace, Home, "D", Delete on "<root>/subs": the last "s" goes and
  // "D" takes the place of the leading "/", which leaves a path relative to
  // the program's current directory, the scratch directory.
  const std::string edited = "D" + program.root().substr(1) + "/sub";
  put_worked_pair(stored);
  put_worked_pair(program.root() + "/" + edited);
  program.store_settings(stored);

  PtyOptions options;
  options.working_directory = program.root();
  auto p = start_prompt(program, options);
  EXPECT_EQ(p->output(), kPrompt + kQueryCursor + kToStartColumn + kShowCursor + stored + " " +
                             "\x1b[1;" + std::to_string(14 + stored.size()) + "H" + kShowCursor);
  type_keys(*p, {kBackspace, kHome, "D", kDelete, kEnter});
  finish_run(*p);

  EXPECT_TRUE(exited_with_0(*p));
  // Each change reprints the whole line from the start column.
  EXPECT_TRUE(appear_in_order(p->output(), {kToStartColumn + program.root() + "/sub ",
                                            kToStartColumn + "D" + program.root() + "/sub ",
                                            kToStartColumn + edited + " "}))
      << p->output();
  EXPECT_EQ(after_the_prompt(p->output()), report_with_worked_pair(kCrLf) + kShowCursor);
  // Stored as the absolute path of the directory it named, so that a run
  // started elsewhere finds the same directory.
  EXPECT_EQ(program.settings(), settings_after_run(program.root() + "/" + edited));
  EXPECT_EQ(file_bytes(worked_output_path(program.root() + "/" + edited)), worked_output);
  EXPECT_FALSE(directory_exists(stored + "/untertitel")) << "the stored directory was processed";
}

TEST(ProgramOnTerminal, EscapeAfterEditsProcessesTheStoredDirectory) {
  InstalledProgram program;
  const std::string stored = program.root() + "/work";
  put_worked_pair(stored);
  program.store_settings(stored);

  auto p = start_prompt(program);
  type_keys(*p, {"x", kBackspace, kBackspace, kHome, "Q", kEscape});
  finish_run(*p);

  EXPECT_TRUE(exited_with_0(*p));
  // The edited text was on the screen when Escape came; then the stored
  // directory is drawn in its place, the cursor after it, before the run
  // goes on.
  const std::string edited = kToStartColumn + "Q" + stored.substr(0, stored.size() - 1) + " ";
  const std::string restored = kToStartColumn + stored + " " + "\x1b[1;" +
                               std::to_string(14 + stored.size()) + "H" + kShowCursor + kCrLf;
  EXPECT_TRUE(appear_in_order(p->output(), {edited, restored})) << p->output();
  EXPECT_EQ(after_the_prompt(p->output()), report_with_worked_pair(kCrLf) + kShowCursor);
  EXPECT_EQ(program.settings(), settings_after_run(stored));
  EXPECT_EQ(file_bytes(worked_output_path(stored)), worked_output);
}

TEST(ProgramOnTerminal, RightArrowOnTheEmptyLineLeavesItEmpty) {
  InstalledProgram program;
  put_worked_pair(program.folder());

  auto p = start_prompt(program);
  p->type(kRight);
  p->type(kEnter);
  finish_run(*p);

  EXPECT_TRUE(exited_with_0(*p));
  // Right recalls the entry of an earlier call, which in the only call is
  // the empty line: a blank at the start column, the cursor back there.
  EXPECT_EQ(p->output(), kEmptyLineShown + " " + kToStartColumn + kShowCursor +
                             report_with_worked_pair(kCrLf) + kShowCursor);
  EXPECT_EQ(program.settings(), settings_after_run(program.folder()));
  EXPECT_EQ(file_bytes(worked_output_path(program.folder())), worked_output);
}

TEST(ProgramOnTerminal, KeyTypedBeforeFertigEndsTheFinalWaitAtOnce) {
  InstalledProgram program;
  put_worked_pair(program.folder());

  auto p = start_prompt(program);
  // The key arrives with Enter, long before the batch is through.
  p->type(kEnter + "x");
  ASSERT_TRUE(p->wait_for_exit(kRunLimitMs)) << "waits for a further key\n" << p->output();

  EXPECT_TRUE(exited_with_0(*p));
  // The key is neither part of the answer nor shown.
  EXPECT_EQ(p->output(), kEmptyLineShown + report_with_worked_pair(kCrLf) + kShowCursor);
  EXPECT_EQ(program.settings(), settings_after_run(program.folder()));
  expect_terminal_as_before_start(*p);
}

TEST(ProgramOnTerminal, WithoutAKeyTheProgramWaitsAfterFertig) {
  InstalledProgram program;
  put_worked_pair(program.folder());

  auto p = start_prompt(program);
  p->type(kEnter);
  ASSERT_TRUE(p->wait_for_output("Fertig" + kCrLf, kRunLimitMs)) << p->output();
  EXPECT_FALSE(p->wait_for_exit(kStillWaitingMs)) << "ended without a key";
  // Still in raw mode: the key that ends the wait needs no Enter.
  EXPECT_FALSE(p->terminal_mode().c_lflag & ICANON);

  p->type("x");
  ASSERT_TRUE(p->wait_for_exit(kRunLimitMs)) << p->output();
  EXPECT_TRUE(exited_with_0(*p));
  EXPECT_EQ(after_the_prompt(p->output()), report_with_worked_pair(kCrLf) + kShowCursor);
  expect_terminal_as_before_start(*p);
}

// An answer typed into the empty line of a first run, and what the run
// makes of it; paths are relative to the scratch directory.
struct AnswerCase {
  const char* name;
  std::string typed;
  std::string stored;
  std::string processed;  // where the pair lies and the output goes
};

void PrintTo(const AnswerCase& c, std::ostream* out) { *out << c.name; }

using rt_test::case_name;

class TypedAnswer : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(TypedAnswer, IsNormalisedProcessedAndStored) {
  const AnswerCase& c = GetParam();
  InstalledProgram program;
  const std::string root = program.root();
  put_worked_pair(root + c.processed);

  auto p = start_prompt(program);
  p->type(root + c.typed + kEnter);
  finish_run(*p);

  EXPECT_TRUE(exited_with_0(*p));
  EXPECT_EQ(after_the_prompt(p->output()), report_with_worked_pair(kCrLf) + kShowCursor);
  EXPECT_EQ(program.settings(), settings_after_run(root + c.stored));
  EXPECT_EQ(file_bytes(worked_output_path(root + c.processed)), worked_output);
}

const AnswerCase kAnswerCases[] = {
    {"a last component with a dot is cut off", "/work/film1.srt", "/work", "/work"},
    // The directory named is stored as its absolute path, without the
    // separator at its end.
    {"a trailing separator names the directory", "/work/", "/work", "/work"},
    {"a dot before the last separator changes nothing", "/work/my.subs/season",
     "/work/my.subs/season", "/work/my.subs/season"},
    {"a directory with a dot in its name is that directory", "/Staffel.2", "/Staffel.2", "/Staffel.2"},
    {"a last component of one dot is the directory itself", "/work/.", "/work", "/work"},
    {"a file that is not there stands for its folder", "/work/film9.srt", "/work", "/work"},
    // "\\" is a character of a name, never a separator: "x\\y" is the
    // directory of that name, not "y" in "x".
    {"a backslash is part of a name", "/x\\y", "/x\\y", "/x\\y"},
};

INSTANTIATE_TEST_SUITE_P(ProgramOnTerminal, TypedAnswer, ::testing::ValuesIn(kAnswerCases),
                         case_name<AnswerCase>);

// The program's own directory is a directory, whatever dots its name holds:
// Enter on the empty line runs on it, never on the folder above.
TEST(ProgramOnTerminal, OwnDirectoryWithADotIsThatDirectory) {
  InstalledProgram program("build.7");
  put_worked_pair(program.root());
  put_worked_pair(program.folder());

  auto p = start_prompt(program);
  p->type(kEnter);
  finish_run(*p);

  EXPECT_TRUE(exited_with_0(*p));
  EXPECT_EQ(program.settings(), settings_after_run(program.folder()));
  EXPECT_EQ(file_bytes(worked_output_path(program.folder())), worked_output);
  EXPECT_FALSE(directory_exists(program.root() + "/untertitel"));
}

// A stored directory whose name holds a dot is offered again and taken
// with Enter as that directory, and so is "." as the current one.
TEST(ProgramOnTerminal, DirectoriesWithDotsAreTakenAgain) {
  InstalledProgram program;
  const std::string season = program.root() + "/Staffel.2";
  put_worked_pair(program.root());
  put_worked_pair(season);
  program.store_settings(season);

  auto p = start_prompt(program);
  p->type(kEnter);
  finish_run(*p);
  EXPECT_TRUE(exited_with_0(*p));
  EXPECT_EQ(program.settings(), settings_after_run(season));
  EXPECT_EQ(file_bytes(worked_output_path(season)), worked_output);
  EXPECT_FALSE(directory_exists(program.root() + "/untertitel"));

  const bool root_had_untertitel = directory_exists("/untertitel");
  PtyOptions in_season;
  in_season.working_directory = season;
  auto dot = start_prompt(program, in_season);
  dot->type(kHome);
  for (std::size_t i = 0; i < season.size(); ++i) dot->type(kDelete);
  dot->type("." + kEnter);
  finish_run(*dot);
  EXPECT_TRUE(exited_with_0(*dot));
  EXPECT_EQ(after_the_prompt(dot->output()), report_with_worked_pair(kCrLf) + kShowCursor);
  EXPECT_EQ(program.settings(), settings_after_run(season));
  EXPECT_EQ(directory_exists("/untertitel"), root_had_untertitel) << "the root directory was processed";
  EXPECT_FALSE(directory_exists(program.root() + "/untertitel"));
}

// A directory that is not there is said so in one line and not stored;
// nothing is scanned or made, and the run ends as usual.
TEST(ProgramOnTerminal, MissingWorkingDirectoryIsSaidSoAndNotStored) {
  InstalledProgram program;
  const std::string missing = program.root() + "/missing";
  put_worked_pair(program.root() + "/work");
  program.store_settings(program.root() + "/work");

  for (const std::string& typed : {missing, missing + "/film1.srt"}) {
    SCOPED_TRACE(typed);
    auto p = start_prompt(program);
    p->type(kHome);
    for (std::size_t i = 0; i < program.root().size() + 5; ++i) p->type(kDelete);
    p->type(typed + kEnter);
    finish_run(*p);

    EXPECT_TRUE(exited_with_0(*p));
    EXPECT_EQ(after_the_prompt(p->output()),
              kCrLf + kCrLf + " Verzeichnis nicht gefunden: " + missing + kCrLf + kCrLf + "Fertig" + kCrLf +
                  kShowCursor);
    EXPECT_EQ(program.settings(), settings_after_run(program.root() + "/work"));
    EXPECT_FALSE(directory_exists(missing));
    EXPECT_FALSE(directory_exists(program.root() + "/work/untertitel"));
  }
}

TEST(ProgramOnTerminal, CtrlCAtThePromptEndsItAndGivesTheTerminalBack) {
  InstalledProgram program;
  put_worked_pair(program.folder());

  auto p = start_prompt(program);
  ASSERT_FALSE(p->terminal_mode().c_lflag & (ECHO | ICANON)) << "not in raw mode";
  const std::size_t shown = p->output().size();
  p->type("\x03");
  ASSERT_TRUE(p->wait_for_exit(kRunLimitMs)) << p->output();

  EXPECT_TRUE(WIFSIGNALED(p->status()) && WTERMSIG(p->status()) == SIGINT) << p->status();
  expect_terminal_as_before_start(*p);
  EXPECT_EQ(p->output().substr(shown), kShowCursor);
  // Interrupted before the answer was taken: nothing stored, nothing made.
  EXPECT_EQ(program.settings(),
            "\r\ntexterweiterung=.txt\r\nausgabeerweiterung=.src\r\n");
  EXPECT_FALSE(directory_exists(program.folder() + "/untertitel"));
}

TEST(ProgramOnTerminal, OutputToAPipeReadsTheAnswerAsALineAndStillWaitsForAKey) {
  InstalledProgram program;
  const std::string work = program.root() + "/work";
  put_worked_pair(work);

  // As in "retime | tee log": the keyboard is a terminal, the output not.
  PtyOptions options;
  options.output_to_pipe = true;
  PtyProcess p({program.binary()}, options);
  ASSERT_TRUE(p.wait_for_piped_output(kPrompt, kRunLimitMs));
  // The line is read with the terminal's own line editing; typed before
  // that is switched on, it would not be echoed.
  auto start = std::chrono::steady_clock::now();
  while (!(p.terminal_mode().c_lflag & ICANON) &&
         std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kRunLimitMs))
    p.collect(5);
  p.type(work + kEnter);
  ASSERT_TRUE(p.wait_for_piped_output("Fertig\n", kRunLimitMs)) << p.piped_output();
  EXPECT_FALSE(p.wait_for_exit(kStillWaitingMs)) << "ended without a key";
  p.type("x");
  ASSERT_TRUE(p.wait_for_exit(kRunLimitMs));

  EXPECT_TRUE(exited_with_0(p));
  EXPECT_EQ(p.piped_output(), kPrompt + work + report_with_worked_pair("\n"));
  // The terminal echoed the typed line itself; the final key was not echoed.
  EXPECT_EQ(p.output(), work + kCrLf);
  EXPECT_EQ(program.settings(), settings_after_run(work));
  EXPECT_EQ(file_bytes(worked_output_path(work)), worked_output);
  expect_terminal_as_before_start(p);
}

}  // namespace
}  // namespace rt::test_support
