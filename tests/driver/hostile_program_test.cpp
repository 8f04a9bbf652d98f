// The real program against hostile surroundings: a working directory full
// of things that are not subtitle files, read through a pipe, and terminals
// that do not answer, change their size, are not there for the output, or
// hang up. Every run has a time limit and is killed when it runs over.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tests/console/pty_process.h"
#include "tests/driver/disk_and_console.h"
#include "tests/driver/hostile_child.h"
#include "tests/driver/installed_program.h"
#include "tests/driver/worked_example.h"

namespace rt {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using rt_test::PtyOptions;
using rt_test::PtyProcess;
using test_support::InstalledProgram;
using test_support::put_worked_pair;
using test_support::read_bytes;
using test_support::report_with_worked_pair;
using test_support::ScratchDirectory;
using test_support::tree_state;
using test_support::worked_output;
using test_support::worked_timecodes;
using test_support::worked_text;
using test_support::write_bytes;

constexpr int kLimitMs = 20000;  // every run and every wait ends by then

// The program installed in "bin" of a scratch folder, beside the working
// directory "work" it is given.
struct Installation {
  InstalledProgram program{"bin"};
  std::string work = program.root() + "/work";

  Installation() { fs::create_directory(work); }
  std::string output(const std::string& name) const { return read_bytes(work + "/untertitel/" + name); }
};

struct PipedRun {
  bool finished = false;
  int status = 0;
  std::string output;
};

// Runs program with input on a pipe as its standard input (closed after the
// input) and its standard output on another pipe.
PipedRun run_piped(const std::string& program, const std::string& input) {
  int to_program[2];
  int from_program[2];
  if (::pipe2(to_program, O_CLOEXEC) != 0 || ::pipe2(from_program, O_CLOEXEC) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(to_program[0], 0);
    ::dup2(from_program[1], 1);
    char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};
    ::execv(argv[0], argv);
    ::_exit(127);
  }
  ::close(to_program[0]);
  ::close(from_program[1]);
  if (::write(to_program[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
    ADD_FAILURE() << "input not written";
  }
  ::close(to_program[1]);

  PipedRun run;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLimitMs);
  bool output_open = true;
  while (std::chrono::steady_clock::now() < deadline) {
    if (output_open) {
      pollfd ready{from_program[0], POLLIN, 0};
      if (::poll(&ready, 1, 10) > 0) {
        char buffer[4096];
        const ssize_t got = ::read(from_program[0], buffer, sizeof buffer);
        if (got > 0) run.output.append(buffer, static_cast<std::size_t>(got));
        if (got == 0) output_open = false;
      }
    } else if (::waitpid(child, &run.status, WNOHANG) == child) {
      run.finished = true;
      break;
    } else {
      ::poll(nullptr, 0, 10);
    }
  }
  if (!run.finished) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &run.status, 0);
  }
  ::close(from_program[0]);
  return run;
}

bool exited_with_0(int status) { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }

TEST(HostileProgram, WholeHostileDirectoryReadThroughAPipe) {
  Installation setup;
  const std::string& work = setup.work;
  put_worked_pair(work);
  // Things that are no files of the program's: never opened, never changed.
  for (const char* pipe : {"pipe", "x.txt", "film1..src"}) ASSERT_EQ(::mkfifo((work + "/" + pipe).c_str(), 0644), 0);
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = work + "/socket.srt";
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  fs::create_symlink(work + "/gone.srt", work + "/dangling.srt");
  fs::create_symlink(setup.program.root(), work + "/root.srt");
  write_bytes(work + "/empty", "");
  write_bytes(work + "/binary", "1\n\x00\xFF\x1A\r\r\n"s + std::string(1 << 20, '\x01'));
  write_bytes(work + "/..\\film1.srt", worked_timecodes);
  write_bytes(work + "/..\\film1.txt", worked_text);
  // Odd names that do pair, one of them behind a link to a file outside.
  write_bytes(work + "/M\xE4rchen.srt", worked_timecodes);
  write_bytes(work + "/M\xE4rchen.txt", worked_text);
  write_bytes(setup.program.root() + "/outside.srt", worked_timecodes);
  fs::create_symlink(setup.program.root() + "/outside.srt", work + "/-linked.srt");
  write_bytes(work + "/-linked.txt", worked_text);
  // A link planted where the Maerchen output will go.
  fs::create_directory(work + "/untertitel");
  write_bytes(setup.program.root() + "/precious", "precious");
  fs::create_symlink(setup.program.root() + "/precious", work + "/untertitel/M\xE4rchen..src");
  const auto before = tree_state(setup.program.root(), "work/untertitel");

  const PipedRun run = run_piped(setup.program.binary(), work + "\n");
  ::close(sock);

  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_TRUE(exited_with_0(run.status));
  EXPECT_EQ(run.output.substr(0, run.output.find('\n') + 1), "Verzeichnis: " + work + "\n");
  // "..\\film1.srt" is a name of the directory like any other (only "/"
  // separates): it pairs with "..\\film1.txt", and its output lies in
  // untertitel.
  EXPECT_NE(run.output.find("\n 4 Timecodedateien\n"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.substr(run.output.size() - 8), "\nFertig\n");
  EXPECT_EQ(setup.output("film1..src"), worked_output);
  EXPECT_EQ(setup.output("..\\film1..src"), worked_output);
  EXPECT_EQ(setup.output("-linked..src"), worked_output);
  EXPECT_TRUE(fs::is_symlink(work + "/untertitel/M\xE4rchen..src"));
  // Outside untertitel only the settings file is new.
  auto after = tree_state(setup.program.root(), "work/untertitel");
  EXPECT_EQ(after.erase("bin/retini"), 1u);
  EXPECT_EQ(after, before);
  EXPECT_EQ(read_bytes(setup.program.root() + "/precious"), "precious");
}

// --- The program on a terminal ---

std::unique_ptr<PtyProcess> start_on_terminal(const Installation& setup, PtyOptions options = {}) {
  return std::make_unique<PtyProcess>(std::vector<std::string>{setup.program.binary()}, options);
}

TEST(HostileTerminal, TerminalThatNeverAnswersTheCursorQuery) {
  Installation setup;
  put_worked_pair(setup.work);
  PtyOptions options;
  options.answer_cursor_queries = false;
  auto p = start_on_terminal(setup, options);
  ASSERT_TRUE(p->wait_for_output("Verzeichnis: ", kLimitMs)) << p->output();
  p->type(setup.work + "x");
  p->type("\x7f\r");  // Backspace, Enter
  ASSERT_TRUE(p->wait_for_output("Fertig", kLimitMs)) << p->output();
  EXPECT_EQ(p->cursor_queries(), 1);
  p->collect(100);
  EXPECT_FALSE(p->wait_for_exit(0)) << "the final wait is for a key";
  p->type("k");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs));
  EXPECT_TRUE(exited_with_0(p->status()));
  EXPECT_EQ(setup.output("film1..src"), worked_output);
}

TEST(HostileTerminal, WindowResizedWhileEditing) {
  Installation setup;
  put_worked_pair(setup.work);
  setup.program.store_settings(setup.work);
  auto p = start_on_terminal(setup);
  ASSERT_TRUE(p->wait_for_output(setup.work, kLimitMs)) << p->output();
  // Narrower than the line, then wider again, with editing between: the
  // stored directory gets "/sub" and loses it again.
  p->type("/sub");
  p->resize(24, 20);
  p->collect(50);
  p->type("\x1b[H\x1b[F");  // Home, End
  p->type("\x7f\x7f");
  p->resize(10, 200);
  p->signal(SIGWINCH);
  p->collect(50);
  p->type("\x7f\x7f\r");
  ASSERT_TRUE(p->wait_for_output("Fertig", kLimitMs)) << p->output();
  p->type("k");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs));
  EXPECT_TRUE(exited_with_0(p->status()));
  EXPECT_NE(p->output().find(" 1 Timecodedatei"), std::string::npos);
  EXPECT_EQ(setup.output("film1..src"), worked_output);
  EXPECT_NE(read_bytes(setup.program.settings_path()).find("verzeichnis=" + setup.work + "\r\n"), std::string::npos);
}

TEST(HostileTerminal, OutputToAPipeWithTheKeyboardOnATerminal) {
  Installation setup;
  put_worked_pair(setup.work);
  PtyOptions options;
  options.output_to_pipe = true;
  auto p = start_on_terminal(setup, options);
  ASSERT_TRUE(p->wait_for_piped_output("Verzeichnis: ", kLimitMs));
  // Typed the moment the prompt shows, maybe before the terminal is back in
  // line mode for the answer: the Enter must end the line all the same.
  p->type(setup.work + "\r");
  ASSERT_TRUE(p->wait_for_piped_output("Fertig\n", kLimitMs)) << p->piped_output();
  p->collect(100);
  EXPECT_FALSE(p->wait_for_exit(0)) << "the final wait is for a key";
  p->type("k");
  ASSERT_TRUE(p->wait_for_exit(kLimitMs));
  EXPECT_TRUE(exited_with_0(p->status()));
  EXPECT_EQ(p->piped_output(), "Verzeichnis: " + setup.work + report_with_worked_pair("\n"));
  EXPECT_EQ(p->cursor_queries(), 0);
  EXPECT_EQ(setup.output("film1..src"), worked_output);
}

struct HangUpCase {
  const char* name;
  bool during_prompt;  // else during the final wait
  bool hangup_ignored;
  bool output_to_pipe = false;  // the prompt is then a plain line
};

std::ostream& operator<<(std::ostream& out, const HangUpCase& c) { return out << c.name; }

class HangUp : public ::testing::TestWithParam<HangUpCase> {};

TEST_P(HangUp, ProgramEnds) {
  const HangUpCase& c = GetParam();
  Installation setup;
  put_worked_pair(setup.work);
  setup.program.store_settings(setup.work);
  PtyOptions options;
  options.ignore_hangup = c.hangup_ignored;
  options.output_to_pipe = c.output_to_pipe;
  auto p = start_on_terminal(setup, options);
  if (c.output_to_pipe) {
    ASSERT_TRUE(p->wait_for_piped_output("Verzeichnis: ", kLimitMs));
    p->collect(100);
  } else {
    ASSERT_TRUE(p->wait_for_output(setup.work, kLimitMs)) << p->output();
  }
  if (!c.during_prompt) {
    p->type("\r");
    ASSERT_TRUE(c.output_to_pipe ? p->wait_for_piped_output("Fertig", kLimitMs)
                                 : p->wait_for_output("Fertig", kLimitMs))
        << p->output() << p->piped_output();
    p->collect(100);
  }
  p->hang_up();
  ASSERT_TRUE(p->wait_for_exit(kLimitMs)) << "still running after the hang-up";
  if (c.hangup_ignored) {
    // The program sees the hang-up as the end of its input: at the prompt
    // that is Escape, which keeps the stored directory, so the batch runs.
    EXPECT_TRUE(exited_with_0(p->status())) << p->status();
    EXPECT_EQ(setup.output("film1..src"), worked_output);
  } else {
    EXPECT_TRUE(WIFSIGNALED(p->status()) && WTERMSIG(p->status()) == SIGHUP) << p->status();
  }
}

INSTANTIATE_TEST_SUITE_P(Terminal, HangUp,
                         ::testing::Values(HangUpCase{"AtThePrompt", true, false},
                                           HangUpCase{"AtThePromptUnderNohup", true, true},
                                           HangUpCase{"AtTheFinalWait", false, false},
                                           HangUpCase{"AtTheFinalWaitUnderNohup", false, true},
                                           HangUpCase{"AtThePlainPromptUnderNohup", true, true, true},
                                           HangUpCase{"AtThePlainFinalWaitUnderNohup", false, true, true}),
                         [](const ::testing::TestParamInfo<HangUpCase>& info) { return info.param.name; });

}  // namespace
}  // namespace rt
