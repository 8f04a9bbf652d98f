// What the user sees: edit_line_probe runs in a tmux window, keys are sent
// with send-keys, and the window's text and cursor are read back. tmux is a
// real terminal emulator, so these tests check the screen rather than the
// bytes. Skipped when tmux is not installed.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

namespace rt_test {
namespace {

constexpr int kLimitMs = 5000;

struct CommandResult {
  bool ran = false;
  int status = -1;
  std::string output;
};

// Runs a command without a shell, bounded in time.
CommandResult run_command(std::vector<std::string> args) {
  CommandResult result;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return result;
  pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  auto start = std::chrono::steady_clock::now();
  bool open_output = true;
  while (open_output && std::chrono::steady_clock::now() - start <
                            std::chrono::milliseconds(kLimitMs)) {
    pollfd p{out[0], POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    char buffer[4096];
    ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n > 0)
      result.output.append(buffer, static_cast<std::size_t>(n));
    else if (n == 0 || errno != EINTR)
      open_output = false;
  }
  close(out[0]);
  if (open_output) kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  result.ran = !open_output;
  result.status = status;
  return result;
}

bool tmux_available() {
  CommandResult r = run_command({"tmux", "-V"});
  return r.ran && WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0;
}

// One tmux server of its own (socket in a temporary directory) with one
// window running the probe.
class TmuxWindow {
 public:
  TmuxWindow(const std::vector<std::string>& probe_arguments, int columns, int rows) {
    char pattern[] = "/tmp/retime-tmux-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return;
    directory_ = pattern;
    socket_ = directory_ + "/socket";
    std::vector<std::string> command = {"new-session", "-d", "-s", "t",
                                        "-x", std::to_string(columns),
                                        "-y", std::to_string(rows),
                                        RETIME_EDIT_LINE_PROBE};
    command.insert(command.end(), probe_arguments.begin(), probe_arguments.end());
    started_ = tmux(command).ran;
  }

  ~TmuxWindow() {
    if (started_) tmux({"kill-server"});
    if (!directory_.empty()) {
      unlink(socket_.c_str());
      rmdir(directory_.c_str());
    }
  }

  void send_keys(const std::vector<std::string>& keys) {
    std::vector<std::string> command = {"send-keys", "-t", "t"};
    command.insert(command.end(), keys.begin(), keys.end());
    tmux(command);
  }

  std::vector<std::string> screen() {
    std::vector<std::string> rows;
    std::istringstream text(tmux({"capture-pane", "-p", "-t", "t"}).output);
    for (std::string row; std::getline(text, row);) rows.push_back(row);
    return rows;
  }

  std::string row(std::size_t i) {
    std::vector<std::string> rows = screen();
    return i < rows.size() ? rows[i] : "";
  }

  // Column and row of the cursor, 0-based.
  std::pair<int, int> cursor() {
    std::istringstream text(
        tmux({"display-message", "-p", "-t", "t", "#{cursor_x} #{cursor_y}"}).output);
    std::pair<int, int> at{-1, -1};
    text >> at.first >> at.second;
    return at;
  }

  // Waits until row i shows exactly text.
  bool wait_for_row(std::size_t i, const std::string& text) {
    auto start = std::chrono::steady_clock::now();
    while (row(i) != text) {
      if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(kLimitMs))
        return false;
      usleep(30000);
    }
    return true;
  }

  bool started() const { return started_; }

 private:
  CommandResult tmux(std::vector<std::string> args) {
    args.insert(args.begin(), {"tmux", "-S", socket_, "-f", "/dev/null"});
    return run_command(args);
  }

  std::string directory_;
  std::string socket_;
  bool started_ = false;
};

class OnScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!tmux_available()) GTEST_SKIP() << "tmux is not installed";
  }
};

TEST_F(OnScreen, EditingCSubsIntoDSub) {
  TmuxWindow w({"--wait", "C:\\subs"}, 80, 10);
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
  TmuxWindow w({"--wait", "abc"}, 80, 10);
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: abc"));
  w.send_keys({"x", "y"});
  ASSERT_TRUE(w.wait_for_row(0, "Verzeichnis: abcxy"));
  w.send_keys({"Escape"});
  EXPECT_TRUE(w.wait_for_row(1, "[abc]"));
  EXPECT_EQ(w.row(0), "Verzeichnis: abcxy");
  w.send_keys({"q"});
}

TEST_F(OnScreen, InsertingInTheMiddleMovesTheRestRight) {
  TmuxWindow w({"--wait", "C:\\sbs"}, 80, 10);
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
  TmuxWindow w({"--wait", text}, 30, 8);  // 17 cells from column 14
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
  TmuxWindow w({"--lines", "10", "--wait", text}, 30, 5);
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
