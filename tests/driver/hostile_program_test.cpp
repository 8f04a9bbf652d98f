// The real program against hostile surroundings: a working directory full
// of things that are not subtitle files, read through a pipe, and terminals
// that do not answer, change their size, are not there for the output, or
// hang up. Every run has a time limit and is killed when it runs over.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
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

// --- The settings file where it cannot be read or made ---

constexpr uid_t kNobody = 65534;

// How a run goes with what lies at the settings file's place beside the
// program. The run is on a directory argument (no question, no wait).
struct SettingsPlaceCase {
  const char* name;
  void (*prepare)(const std::string& settings);
  // Run as an ordinary user whose program folder takes no file (nobody when
  // the test runs as root; else the folder is made read-only).
  bool installed;
  // Another run holds the settings lock (its temporary file) meanwhile.
  bool lock_held;
  // The settings end up in the user's configuration folder.
  bool in_config_folder;
};

std::ostream& operator<<(std::ostream& out, const SettingsPlaceCase& c) { return out << c.name; }

class SettingsPlace : public ::testing::TestWithParam<SettingsPlaceCase> {};

// Whatever lies at the settings file's place, or is missing and cannot be
// made there, the output gets the default extension; only a program whose
// folder takes no settings file keeps them in the user's configuration
// folder, and nothing at the settings place is changed.
TEST_P(SettingsPlace, NeverChangesWhatARunWrites) {
  const SettingsPlaceCase& c = GetParam();
  Installation setup;
  put_worked_pair(setup.work);
  const std::string root = setup.program.root();
  const std::string home = root + "/home";
  fs::create_directory(home);
  const std::string settings = setup.program.settings_path();
  c.prepare(settings);
  const auto settings_before = tree_state(setup.program.folder());

  const bool as_root = ::geteuid() == 0;
  if (c.installed && as_root) {
    // nobody may work in the directory and the home folder, never in the
    // program's folder, which stays root's.
    ASSERT_EQ(::chmod(root.c_str(), 0755), 0);
    for (const std::string& own : {setup.work, home}) ASSERT_EQ(::chown(own.c_str(), kNobody, kNobody), 0);
  } else if (c.installed) {
    ASSERT_EQ(::chmod(setup.program.folder().c_str(), 0555), 0);
  }
  int lock = -1;
  if (c.lock_held) {
    lock = ::open(setup.program.settings_rewrite_path().c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
  }

  std::vector<std::string> args;
  if (c.installed && as_root) {
    args = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  }
  for (const std::string& word : {std::string("/usr/bin/env"), std::string("-u"), std::string("XDG_CONFIG_HOME"),
                                  "HOME=" + home, setup.program.binary(), setup.work})
    args.push_back(word);
  PtyOptions options;
  options.output_to_pipe = true;
  PtyProcess p(args, options);
  const bool ended = p.wait_for_exit(kLimitMs);
  if (lock >= 0) ::close(lock);
  if (c.installed && !as_root) ::chmod(setup.program.folder().c_str(), 0755);
  ASSERT_TRUE(ended) << p.output() << p.piped_output();

  EXPECT_TRUE(exited_with_0(p.status())) << p.output() << p.piped_output();
  EXPECT_NE(p.piped_output().find("  Ausgabe: film1..src\n"), std::string::npos) << p.piped_output();
  EXPECT_EQ(setup.output("film1..src"), worked_output);
  auto settings_after = tree_state(setup.program.folder());
  if (c.lock_held) settings_after.erase("rettmp");
  EXPECT_EQ(settings_after, settings_before) << "the settings place is left as it was";
  const std::string config = home + "/.config/retime/retime.ini";
  if (c.in_config_folder) {
    EXPECT_EQ(read_bytes(config), test_support::settings_after_run(setup.work));
  } else {
    EXPECT_FALSE(fs::exists(home + "/.config")) << "settings moved although the program's folder has its place";
  }
}

void make_fifo(const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); }
void make_folder(const std::string& path) { ASSERT_TRUE(fs::create_directory(path)); }
void make_dangling_link(const std::string& path) { fs::create_symlink(path + ".gone", path); }
void make_unreadable(const std::string& path) {
  write_bytes(path, "\r\ntexterweiterung=.txt\r\nausgabeerweiterung=.neu\r\n");
  ASSERT_EQ(::chmod(path.c_str(), 0200), 0);
  if (::geteuid() == 0) {
    ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
  }
}
void make_without_extension(const std::string& path) { write_bytes(path, "verzeichnis=/\r\n"); }
void leave_missing(const std::string&) {}

INSTANTIATE_TEST_SUITE_P(
    Program, SettingsPlace,
    ::testing::Values(SettingsPlaceCase{"NamedPipe", make_fifo, false, false, false},
                      SettingsPlaceCase{"Folder", make_folder, false, false, false},
                      SettingsPlaceCase{"DanglingLink", make_dangling_link, false, false, false},
                      SettingsPlaceCase{"Unreadable", make_unreadable, true, false, false},
                      SettingsPlaceCase{"WithoutTheOutputExtension", make_without_extension, true, false, false},
                      SettingsPlaceCase{"FirstRunWhileAnotherRunHoldsTheLock", leave_missing, false, true, false},
                      SettingsPlaceCase{"InstalledProgramOfAnOrdinaryUser", leave_missing, true, false, true}),
    [](const ::testing::TestParamInfo<SettingsPlaceCase>& info) { return std::string(info.param.name); });

// The settings file and its temporary file lie in the program's folder
// whatever the program is called, and the run touches nothing else there:
// a short name keeps "ini" and "tmp" inside the folder (never "p6ini" in
// the parent, nor the user's "p6tmp" there taken for a leftover), a "\\"
// in the folder's name is part of that name, and a program whose name
// would make it its own settings file keeps them in the configuration
// folder.
TEST(HostileProgram, SettingsStayInTheProgramsFolderWhateverItsName) {
  struct NameCase {
    const char* program;   // below the scratch directory
    const char* settings;  // below the scratch directory
  };
  const NameCase cases[] = {
      {"p6/rt", "p6/ini"},
      {"p6/abc", "p6/ini"},
      {"p/x\\y/retime", "p/x\\y/retini"},
      {"bin/mini", "home/.config/retime/retime.ini"},
      {"bin/retime.tmp", "home/.config/retime/retime.ini"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.program);
    ScratchDirectory scratch;
    const std::string root = fs::canonical(scratch.path()).string();
    const std::string program = root + "/" + c.program;
    fs::create_directories(fs::path(program).parent_path());
    fs::copy_file(RETIME_BINARY, program);
    fs::permissions(program, fs::perms::owner_all, fs::perm_options::add);
    fs::create_directory(root + "/home");
    // The user's own files where a faulty naming would reach.
    for (const char* own : {"p6ini", "p6tmp", "p/x/y/retini", "p/x/y/rettmp"}) {
      fs::create_directories(fs::path(root + "/" + own).parent_path());
      write_bytes(root + "/" + own, "meine Datei");
    }
    put_worked_pair(root + "/work");
    const auto before = tree_state(root, "work");

    PtyOptions options;
    options.output_to_pipe = true;
    PtyProcess p({"/usr/bin/env", "-u", "XDG_CONFIG_HOME", "HOME=" + root + "/home", program, root + "/work"},
                 options);
    ASSERT_TRUE(p.wait_for_exit(kLimitMs)) << p.piped_output();

    EXPECT_TRUE(exited_with_0(p.status())) << p.output() << p.piped_output();
    EXPECT_EQ(read_bytes(root + "/work/untertitel/film1..src"), worked_output);
    auto after = tree_state(root, "work");
    EXPECT_EQ(after.erase(c.settings), 1u) << "no settings file at " << c.settings;
    for (auto it = after.begin(); it != after.end();) {
      // The folders the configuration folder's settings file needed.
      it = before.count(it->first) == 0 && it->second == "directory" ? after.erase(it) : std::next(it);
    }
    EXPECT_EQ(after, before) << "only the settings file is new";
    EXPECT_EQ(read_bytes(root + "/" + c.settings), test_support::settings_after_run(root + "/work"));
  }
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
