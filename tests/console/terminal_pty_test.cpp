// The console on a real pseudo-terminal: the prompt of edit_line_probe is
// edited by typing on the terminal's side, and the bytes the program writes,
// its answer and the terminal's mode afterwards are checked.
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/case_name.h"

#include <memory>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "tests/console/pty_process.h"

namespace rt_test {
namespace {

using rt_test::case_name;

constexpr int kLimitMs = 5000;  // every wait ends after this at the latest

const std::string kShowCursor = "\x1b[?25h";
const std::string kHideCursor = "\x1b[?25l";
const std::string kPrompt = "Verzeichnis: ";

std::vector<std::string> probe(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), RETIME_EDIT_LINE_PROBE);
  return arguments;
}

// Starts the probe and waits until the default is shown with the cursor
// after it (the first show-cursor after the prompt).
std::unique_ptr<PtyProcess> start_prompt(const std::vector<std::string>& arguments,
                                         PtyOptions options = {}, bool utf8 = false) {
  std::vector<std::string> command = probe(arguments);
  // A UTF-8 locale, whatever the tests run in.
  if (utf8) command.insert(command.begin(), {"/usr/bin/env", "LC_ALL=C.UTF-8"});
  auto p = std::make_unique<PtyProcess>(command, options);
  EXPECT_TRUE(p->wait_for_output(kPrompt, kLimitMs)) << p->output();
  std::size_t prompt_at = p->output().find(kPrompt);
  auto start = std::chrono::steady_clock::now();
  while (prompt_at != std::string::npos &&
         p->output().find(kShowCursor, prompt_at) == std::string::npos &&
         std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kLimitMs))
    p->collect(10);
  return p;
}

// Types each piece; a lone Escape gets a quiet moment after it, as a key
// press has, so that it is not read as the start of a sequence.
void type_keys(PtyProcess& p, const std::vector<std::string>& keys) {
  for (const std::string& k : keys) {
    p.type(k);
    if (k == "\x1b") p.collect(150);
  }
}

std::string answer_line(const std::string& answer) {
  return "\r\n[" + answer + "]\r\n";
}

bool exited_normally(const PtyProcess& p) {
  return WIFEXITED(p.status()) && WEXITSTATUS(p.status()) == 0;
}

bool is_line_mode(const termios& mode) {
  return (mode.c_lflag & ECHO) && (mode.c_lflag & ICANON) &&
         (mode.c_lflag & ISIG) && (mode.c_iflag & ICRNL) && (mode.c_oflag & OPOST);
}

TEST(ConsoleOnTerminal, EditingCSubsIntoDSubWritesExactlyItsScreenChanges) {
  auto p = start_prompt({"C:\\subs"});
  type_keys(*p, {"\x7f", "\x1b[H", "D", "\x1b[3~", "\r"});
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << p->output();
  EXPECT_TRUE(exited_normally(*p));
  const std::string expected =
      "Verzeichnis: \x1b[6n"
      // start: place at column 14, the buffer, place after the text (21)
      "\x1b[1;14H" + kShowCursor + "C:\\subs " "\x1b[1;21H" + kShowCursor +
      // Backspace: redraw with the cursor hidden, cursor to 20
      kHideCursor + "\x1b[1;14H" "C:\\sub " "\x1b[1;20H" + kShowCursor +
      // Home: place only
      "\x1b[1;14H" + kShowCursor +
      // D: redraw, cursor to 15
      kHideCursor + "\x1b[1;14H" "DC:\\sub " "\x1b[1;15H" + kShowCursor +
      // Delete: redraw, the cursor stays at 15
      kHideCursor + "\x1b[1;14H" "D:\\sub " "\x1b[1;15H" + kShowCursor +
      // the session's end shows the cursor; then the probe prints the answer
      kShowCursor + answer_line("D:\\sub");
  EXPECT_EQ(p->output(), expected);
}

struct TypingCase {
  const char* name;
  std::string default_text;
  std::vector<std::string> keys;
  std::string answer;
  bool utf8 = false;  // the program runs in a UTF-8 locale
};

void PrintTo(const TypingCase& c, std::ostream* out) { *out << c.name; }

class Typing : public ::testing::TestWithParam<TypingCase> {};

TEST_P(Typing, GivesTheExpectedAnswer) {
  const TypingCase& c = GetParam();
  auto p = start_prompt({c.default_text}, {}, c.utf8);
  type_keys(*p, c.keys);
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << c.name << "\n" << p->output();
  EXPECT_TRUE(exited_normally(*p)) << c.name;
  EXPECT_NE(p->output().find(answer_line(c.answer)), std::string::npos)
      << c.name << "\n" << p->output();
  EXPECT_TRUE(is_line_mode(p->terminal_mode())) << c.name;
}

const TypingCase kTypingCases[] = {
    {"empty default and Enter", "", {"\r"}, ""},
    {"empty default and Escape", "", {"\x1b"}, ""},
    {"Escape after edits gives the default", "abc", {"\x7f", "xy", "\x1b"}, "abc"},
    {"insert in the middle", "abd", {"\x1b[D", "c", "\r"}, "abcd"},
    {"Backspace at index 1 and Delete on the blank do nothing", "ab",
     {"\x1b[3~", "\x1b[H", "\x7f", "\x1b[F", "\r"}, "ab"},
    {"other keys change neither text nor cursor", "abc",
     {"\x1b[A", "\x1b[B", "\x1b[2~", "\x1b[5~", "\x1b[6~", "\x1bOP", "\x1b[15~",
      "\x1b[24~", "\x1b[1;5D", "\x1b[1;3D", "\x1b[1;5H", "\x1b[3;5~", "x", "\r"},
     "abcx"},
    {"umlaut byte is inserted", "Gr", {"\xE4", "n", "\r"}, "Gr\xE4n"},
    {"Tab is ignored", "a", {"\t", "\r"}, "a"},
    {"Backspace sent as BS", "ab", {"\x08", "\r"}, "a"},
    {"Enter sent as LF", "ab", {"\n"}, "ab"},
    {"Home and End as SS3 and numbered keys", "abc",
     {"\x1bOH", "x", "\x1bOF", "y", "\x1b[1~", "[", "\x1b[4~", "]", "\r"},
     "[xabcy]"},
    {"Right on an empty line with a blank last entry", "", {"\x1b[C", "\r"}, ""},
    {"a key split over two writes", "abc", {"\x1b[", "D", "x", "\r"}, "abxc"},
    {"many keys in one burst", "", {"hello\x1b[D\x1b[D\x7fL\r"}, "heLlo"},
    {"UTF-8: an umlaut typed and erased gives the default byte for byte",
     "/tmp/x/\xC3\x9C" "bersetzungen", {"\xC3\xA4", "\x7f", "\r"},
     "/tmp/x/\xC3\x9C" "bersetzungen", true},
    {"UTF-8: End, 13 Backspaces and x store exactly /tmp/x/x",
     "/tmp/x/\xC3\x9C" "bersetzungen",
     {"\x1b[F", "\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f", "x", "\r"},
     "/tmp/x/x", true},
    {"UTF-8: Backspace takes a wide character whole", "\xE6\x97\xA5\xE6\x9C\xAC",
     {"\x1b[D", "\x7f", "\r"}, "\xE6\x9C\xAC", true},
    {"UTF-8: an invalid byte is one character", "a\xFF" "b", {"\x1b[D", "\x7f", "\r"},
     "ab", true},
};

INSTANTIATE_TEST_SUITE_P(ConsoleOnTerminal, Typing, ::testing::ValuesIn(kTypingCases),
                         case_name<TypingCase>);

TEST(ConsoleOnTerminal, RawModeWhileEditingLineModeAfterwards) {
  auto p = start_prompt({"abc"});
  termios editing = p->terminal_mode();
  EXPECT_FALSE(editing.c_lflag & ECHO);
  EXPECT_FALSE(editing.c_lflag & ICANON);
  EXPECT_FALSE(editing.c_lflag & IEXTEN);
  EXPECT_FALSE(editing.c_iflag & IXON);
  EXPECT_FALSE(editing.c_iflag & ICRNL);
  EXPECT_TRUE(editing.c_lflag & ISIG);  // Ctrl-C still interrupts
  EXPECT_TRUE(editing.c_oflag & OPOST);
  p->type("\r");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs));
  EXPECT_TRUE(is_line_mode(p->terminal_mode()));
}

TEST(ConsoleOnTerminal, RightArrowBringsBackTheEntryOfTheFirstCall) {
  auto p = start_prompt({"abc", "--again", ""});
  p->type("d\r");
  ASSERT_TRUE(p->wait_for_output("\nVerzeichnis: ", kLimitMs));
  p->collect(300);  // the second call's cursor query
  p->type("\x1b[C");
  p->type("!\r");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << p->output();
  EXPECT_NE(p->output().find(answer_line("abcd|abcd!")), std::string::npos)
      << p->output();
}

TEST(ConsoleOnTerminal, KeysTypedBeforeTheProgramStartsAreKept) {
  PtyOptions options;
  // Typed while the terminal is still in line mode: the line discipline
  // turns CR into LF, which is Enter as well.
  options.typed_ahead = "xy\x1b[D\x1b[Dz\r";
  auto p = std::make_unique<PtyProcess>(probe({"--before-start", "200", "ab"}), options);
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << p->output();
  EXPECT_NE(p->output().find(answer_line("abzxy")), std::string::npos) << p->output();
}

TEST(ConsoleOnTerminal, KeysTypedBeforeTheCursorAnswerStayInOrder) {
  // The keys reach the program before it asks for the cursor position, so
  // they sit in front of the answer in the input.
  auto p = std::make_unique<PtyProcess>(probe({"--after-start", "300", "abc"}),
                                        PtyOptions{});
  p->collect(100);
  p->type("\x1b[D");
  p->type("z");
  p->type("\x7f");
  p->type("Z\r");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << p->output();
  EXPECT_NE(p->output().find(answer_line("abZc")), std::string::npos) << p->output();
}

TEST(ConsoleOnTerminal, TerminalThatNeverAnswersDoesNotHang) {
  PtyOptions options;
  options.answer_cursor_queries = false;
  auto p = start_prompt({"abc"}, options);
  p->type("x");
  p->type("\x1b[H");
  p->type("\r");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << p->output();
  EXPECT_TRUE(exited_normally(*p));
  EXPECT_NE(p->output().find(answer_line("abcx")), std::string::npos);
  EXPECT_EQ(p->cursor_queries(), 1);
  const std::string& out = p->output();
  // Without a known position the line is drawn relative to the cursor saved
  // where the line starts (DECSC), never at an absolute place.
  EXPECT_NE(out.find("\x1b" "7"), std::string::npos);
  EXPECT_NE(out.find(kHideCursor + "\x1b" "8" "abcx " "\x1b" "8" "\x1b[4C" + kShowCursor),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("\x1b" "8" + kShowCursor), std::string::npos);  // Home
  EXPECT_EQ(out.find("\x1b[1;"), std::string::npos) << out;
}

TEST(ConsoleOnTerminal, LateCursorAnswerIsNoKeyPress) {
  PtyOptions options;
  options.answer_cursor_queries = false;
  auto p = start_prompt({"--wait", "abc"}, options);
  p->type("\r");
  ASSERT_TRUE(p->wait_for_output("[abc]", kLimitMs));
  p->type("\x1b[1;14R");  // the answer, long after the program gave up on it
  p->collect(300);
  EXPECT_EQ(p->output().find("<waited>"), std::string::npos);
  p->type("k");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs));
  EXPECT_NE(p->output().find("<waited>"), std::string::npos);
}

TEST(ConsoleOnTerminal, PlacesBeyondTheWindowLeaveTheCursorButSetVisibility) {
  PtyOptions options;
  options.columns = 10;  // the answer puts the line start at column 14
  auto p = start_prompt({"abc"}, options);
  p->type("\x1b[H");
  p->type("\r");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs));
  const std::string& out = p->output();
  EXPECT_EQ(out.find("\x1b[1;"), std::string::npos) << out;  // no move at all
  EXPECT_NE(out.find(kShowCursor + "abc " + kShowCursor + kShowCursor), std::string::npos)
      << out;
  EXPECT_NE(out.find(answer_line("abc")), std::string::npos);
}

TEST(ConsoleOnTerminal, LongTextIsShownAsAWindowUpToTheRightEdge) {
  PtyOptions options;
  options.columns = 20;  // 7 cells from column 14 to the edge
  auto p = start_prompt({"abcdefghij"}, options);
  p->type("\x1b[H");
  p->type("\r");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs));
  const std::string& out = p->output();
  EXPECT_NE(out.find("\x1b[1;14H" + kShowCursor + "efghij \x1b[1;20H" + kShowCursor),
            std::string::npos)
      << out;
  EXPECT_NE(out.find(kHideCursor + "\x1b[1;14Habcdefg\x1b[1;14H" + kShowCursor),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("\x1b[1;21H"), std::string::npos);
  EXPECT_NE(out.find(answer_line("abcdefghij")), std::string::npos);
}

struct SignalCase {
  const char* name;
  std::string typed;  // sent as a key, or empty to send the signal itself
  int signal_number;
};

void PrintTo(const SignalCase& c, std::ostream* out) { *out << c.name; }

class EndedBySignal : public ::testing::TestWithParam<SignalCase> {};

TEST_P(EndedBySignal, TerminalModeAndCursorAreRestored) {
  const SignalCase& c = GetParam();
  auto p = start_prompt({"abc"});
  p->type("x");  // a redraw, so the cursor has been hidden once
  ASSERT_TRUE(p->wait_for_output("abcx \x1b[1;18H" + kShowCursor, kLimitMs)) << c.name;
  int shown_before = count_of(p->output(), kShowCursor);
  if (c.typed.empty())
    p->signal(c.signal_number);
  else
    p->type(c.typed);
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << c.name;
  ASSERT_TRUE(WIFSIGNALED(p->status())) << c.name;
  EXPECT_EQ(WTERMSIG(p->status()), c.signal_number) << c.name;
  EXPECT_TRUE(is_line_mode(p->terminal_mode())) << c.name;
  EXPECT_EQ(count_of(p->output(), kShowCursor), shown_before + 1) << c.name;
  EXPECT_EQ(p->output().substr(p->output().size() - kShowCursor.size()), kShowCursor);
}

const SignalCase kSignalCases[] = {
    {"Ctrl-C", "\x03", SIGINT},
    {"Ctrl-backslash", "\x1c", SIGQUIT},
    {"SIGTERM", "", SIGTERM},
    {"SIGHUP", "", SIGHUP},
};

INSTANTIATE_TEST_SUITE_P(ConsoleOnTerminal, EndedBySignal,
                         ::testing::ValuesIn(kSignalCases),
                         case_name<SignalCase>);

TEST(ConsoleOnTerminal, UncaughtExceptionRestoresTheTerminal) {
  auto p = start_prompt({"--throw", "abc"});
  p->type("\r");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs));
  ASSERT_TRUE(WIFSIGNALED(p->status()));
  EXPECT_EQ(WTERMSIG(p->status()), SIGABRT);
  EXPECT_TRUE(is_line_mode(p->terminal_mode()));
}

TEST(ConsoleOnTerminal, ExitWithoutEndingTheConsoleRestoresTheTerminal) {
  auto p = start_prompt({"--exit", "abc"});
  p->type("\r");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs));
  EXPECT_TRUE(exited_normally(*p));
  EXPECT_TRUE(is_line_mode(p->terminal_mode()));
  EXPECT_EQ(p->output().substr(p->output().size() - kShowCursor.size()), kShowCursor);
}

TEST(ConsoleOnTerminal, StoppedWithCtrlZInLineModeAndRawAgainAfterContinue) {
  PtyOptions options;
  options.job_control = true;
  auto p = start_prompt({"abc"}, options);
  // Twice: the first stop must leave Ctrl-Z working for the second.
  for (int round = 0; round < 2; ++round) {
    p->type("\x1a");  // Ctrl-Z
    ASSERT_TRUE(p->wait_for_stop(kLimitMs)) << round << p->output();
    EXPECT_TRUE(is_line_mode(p->terminal_mode()));
    p->signal(SIGCONT);
    bool raw_again = false;
    for (int i = 0; i < 200 && !raw_again; ++i) {
      p->collect(10);
      raw_again = !(p->terminal_mode().c_lflag & ICANON);
    }
    EXPECT_TRUE(raw_again);
  }
  p->type("x\r");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << p->output();
  EXPECT_TRUE(exited_normally(*p));
  EXPECT_NE(p->output().find(answer_line("abcx")), std::string::npos) << p->output();
}

TEST(ConsoleOnTerminal, AfterAResumeTheRowIsFoundAgainAndDrawnAfresh) {
  PtyOptions options;
  options.job_control = true;
  auto p = start_prompt({"abc"}, options);
  ASSERT_EQ(p->cursor_queries(), 1);
  p->type("\x1a");  // Ctrl-Z
  ASSERT_TRUE(p->wait_for_stop(kLimitMs)) << p->output();
  const std::size_t before_resume = p->output().size();
  p->signal(SIGCONT);
  // The shell has written over the screen meanwhile: the program asks
  // where the cursor is now, erases from the row's start to the end of the
  // screen and draws the prompt and the line there.
  ASSERT_TRUE(p->wait_for_output("\x1b[1;1H\x1b[JVerzeichnis: abc \x1b[1;17H", kLimitMs))
      << p->output().substr(before_resume);
  EXPECT_EQ(p->cursor_queries(), 2);
  p->type("x\r");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << p->output();
  EXPECT_NE(p->output().find(answer_line("abcx")), std::string::npos) << p->output();
}

TEST(ConsoleOnTerminal, KeyPressedBeforeTheWaitEndsItAtOnce) {
  auto p = start_prompt({"--before-wait", "400", "--wait", "abc"});
  p->type("\r");
  ASSERT_TRUE(p->wait_for_output("[abc]", kLimitMs));
  p->type("k");  // during the pause before wait_for_key
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << p->output();
  EXPECT_NE(p->output().find("<waited>"), std::string::npos);
}

TEST(ConsoleOnTerminal, KeyTypedRightAfterEnterEndsTheWait) {
  auto p = start_prompt({"--wait", "abc"});
  p->type("\r\x1b[A");  // Enter and Up arrive together
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << p->output();
  EXPECT_NE(p->output().find(answer_line("abc") + "<waited>"), std::string::npos)
      << p->output();
}

TEST(ConsoleOnTerminal, WaitForKeyWaitsUntilAKeyIsPressed) {
  auto p = start_prompt({"--wait", "abc"});
  p->type("\r");
  ASSERT_TRUE(p->wait_for_output("[abc]", kLimitMs));
  p->collect(300);
  EXPECT_EQ(p->output().find("<waited>"), std::string::npos);
  p->type("\x1b[6~");  // Page Down counts like any key
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << p->output();
  EXPECT_NE(p->output().find("<waited>"), std::string::npos);
  EXPECT_TRUE(is_line_mode(p->terminal_mode()));
}

TEST(ConsoleOnTerminal, LongSleepEndsEarlyOnAKey) {
  auto p = start_prompt({"--sleep", "20000", "abc"});
  p->type("\r");
  ASSERT_TRUE(p->wait_for_output("[abc]", kLimitMs));
  p->type(" ");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << p->output();
  EXPECT_NE(p->output().find("<slept>"), std::string::npos);
}

TEST(ConsoleOnTerminal, OutputToAPipeReadsAPlainLineWithTheTerminalsEcho) {
  PtyOptions options;
  options.output_to_pipe = true;
  auto p = std::make_unique<PtyProcess>(probe({"--wait", "abc"}), options);
  ASSERT_TRUE(p->wait_for_piped_output("Verzeichnis: ", kLimitMs));
  p->collect(100);
  // The terminal edits the line itself: its echo shows the typing and the
  // erase, and only the finished line reaches the program.
  p->type("xyq\x7fz\r");
  ASSERT_TRUE(p->wait_for_piped_output("]\n", kLimitMs)) << p->piped_output();
  EXPECT_EQ(p->piped_output(), "Verzeichnis: xyz\n[xyz]\n");
  EXPECT_NE(p->output().find("xyq\b \bz"), std::string::npos) << p->output();
  // The final wait still takes a single key, without Enter.
  p->collect(100);
  p->type("k");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs));
  EXPECT_EQ(p->piped_output(), "Verzeichnis: xyz\n[xyz]\n<waited>\n");
  EXPECT_EQ(p->cursor_queries(), 0);
  EXPECT_TRUE(is_line_mode(p->terminal_mode()));
}

TEST(ConsoleOnTerminal, EnterTypedWhileStillInRawModeEndsThePlainLine) {
  // Output to a pipe: the line is read in the terminal's line mode, but
  // the console is raw from its start until then. An Enter typed in that
  // moment arrives as a bare CR and must still end the line.
  PtyOptions options;
  options.output_to_pipe = true;
  auto p = std::make_unique<PtyProcess>(probe({"--after-start", "500", "abc"}), options);
  auto start = std::chrono::steady_clock::now();
  while (is_line_mode(p->terminal_mode()) &&
         std::chrono::steady_clock::now() - start < std::chrono::milliseconds(kLimitMs))
    p->collect(5);
  ASSERT_FALSE(is_line_mode(p->terminal_mode())) << "the console never went raw";
  p->type("xyz\r");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << p->piped_output();
  EXPECT_EQ(p->piped_output(), "Verzeichnis: xyz\n[xyz]\n");
}

TEST(ConsoleOnTerminal, WithoutCursorControlNoEscapeIsWrittenAndArrowsAreDropped) {
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    PtyOptions options;
    std::string typed;
    std::string answer;
  };
  PtyOptions to_pipe;
  to_pipe.output_to_pipe = true;
  // Left arrow, F1 and Alt-x typed into the plain line.
  const std::string keys = "ab\x1b[Dc\x1bOP\x1bx\r";
  const Case cases[] = {
      {"TERM=dumb", {"/usr/bin/env", "TERM=dumb", RETIME_EDIT_LINE_PROBE, "C:\\subs"}, {},
       keys, "[abc]"},
      {"TERM unset", {"/usr/bin/env", "-u", "TERM", RETIME_EDIT_LINE_PROBE, "C:\\subs"}, {},
       keys, "[abc]"},
      {"output redirected", {RETIME_EDIT_LINE_PROBE, "C:\\subs"}, to_pipe, keys, "[abc]"},
      // Ctrl-D twice: the first hands over what is typed, the second ends it.
      {"Ctrl-D ends the plain line", {RETIME_EDIT_LINE_PROBE, "C:\\subs"}, to_pipe,
       "ab\x04\x04", "[ab]"},
  };
  for (const Case& c : cases) {
    PtyProcess p(c.arguments, c.options);
    p.collect(300);
    p.type(c.typed);
    ASSERT_TRUE(p.wait_for_exit(kLimitMs)) << c.name << "\n" << p.output();
    const std::string written = c.options.output_to_pipe ? p.piped_output() : p.output();
    EXPECT_NE(written.find(c.answer), std::string::npos) << c.name << "\n" << written;
    EXPECT_EQ(written.find('\x1b'), std::string::npos) << c.name << "\n" << written;
    EXPECT_EQ(p.cursor_queries(), 0) << c.name;
  }
}

TEST(ConsoleOnTerminal, InputFromAFileWritesNoEscapeSequences) {
  char path[] = "/tmp/retime-console-input-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  const std::string line = "D:\\sub\r\n";
  ASSERT_EQ(write(fd, line.data(), line.size()), static_cast<ssize_t>(line.size()));
  close(fd);
  PtyOptions options;
  options.input_file = path;
  PtyProcess p(probe({"--wait", "C:\\subs"}), options);
  bool ended = p.wait_for_exit(kLimitMs);
  unlink(path);
  ASSERT_TRUE(ended);
  EXPECT_TRUE(exited_normally(p));
  // Output on the terminal, input from the file: one plain line, and the
  // wait ends at the end of the file.
  EXPECT_EQ(p.output(), "Verzeichnis: D:\\sub\r\n[D:\\sub]\r\n<waited>\r\n");
  EXPECT_TRUE(is_line_mode(p.terminal_mode()));
}

}  // namespace
}  // namespace rt_test
