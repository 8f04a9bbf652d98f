#include "tests/console/tmux_window.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>

namespace rt_test {
namespace {

constexpr int kLimitMs = 5000;

}  // namespace

CommandResult run_command(std::vector<std::string> args) {
  CommandResult result;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) return result;
  pid_t pid = fork();
  if (pid == 0) {
    // Standard error too: "no server running" after the program's end is
    // the expected answer of a check, not a message for the test log.
    int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDERR_FILENO);
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

TmuxWindow::TmuxWindow(const std::vector<std::string>& command, int columns,
                       int rows, const std::string& start_directory) {
  char pattern[] = "/tmp/retime-tmux-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return;
  directory_ = pattern;
  socket_ = directory_ + "/socket";
  std::vector<std::string> session = {"new-session", "-d", "-s", "t",
                                      "-x", std::to_string(columns),
                                      "-y", std::to_string(rows)};
  if (!start_directory.empty()) session.insert(session.end(), {"-c", start_directory});
  session.insert(session.end(), command.begin(), command.end());
  started_ = tmux(session).ran;
}

TmuxWindow::~TmuxWindow() {
  if (started_) tmux({"kill-server"});
  if (!directory_.empty()) {
    unlink(socket_.c_str());
    rmdir(directory_.c_str());
  }
}

void TmuxWindow::send_keys(const std::vector<std::string>& keys) {
  std::vector<std::string> command = {"send-keys", "-t", "t"};
  command.insert(command.end(), keys.begin(), keys.end());
  tmux(command);
}

std::vector<std::string> TmuxWindow::screen() {
  std::vector<std::string> rows;
  std::istringstream text(tmux({"capture-pane", "-p", "-t", "t"}).output);
  for (std::string row; std::getline(text, row);) rows.push_back(row);
  return rows;
}

std::string TmuxWindow::screen_with_attributes() {
  return tmux({"capture-pane", "-p", "-e", "-t", "t"}).output;
}

void TmuxWindow::resize(int columns, int rows) {
  tmux({"resize-window", "-t", "t", "-x", std::to_string(columns), "-y",
        std::to_string(rows)});
}

std::string TmuxWindow::row(std::size_t i) {
  std::vector<std::string> rows = screen();
  return i < rows.size() ? rows[i] : "";
}

std::pair<int, int> TmuxWindow::cursor() {
  std::istringstream text(
      tmux({"display-message", "-p", "-t", "t", "#{cursor_x} #{cursor_y}"}).output);
  std::pair<int, int> at{-1, -1};
  text >> at.first >> at.second;
  return at;
}

bool TmuxWindow::wait_for_row(std::size_t i, const std::string& text, int timeout_ms) {
  auto start = std::chrono::steady_clock::now();
  while (row(i) != text) {
    if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(timeout_ms))
      return false;
    usleep(30000);
  }
  return true;
}

bool TmuxWindow::wait_for_end(int timeout_ms) {
  auto start = std::chrono::steady_clock::now();
  for (;;) {
    CommandResult r = tmux({"has-session", "-t", "t"});
    if (r.ran && !(WIFEXITED(r.status) && WEXITSTATUS(r.status) == 0)) return true;
    if (std::chrono::steady_clock::now() - start > std::chrono::milliseconds(timeout_ms))
      return false;
    usleep(30000);
  }
}

CommandResult TmuxWindow::tmux(std::vector<std::string> args) {
  args.insert(args.begin(), {"tmux", "-S", socket_, "-f", "/dev/null"});
  return run_command(args);
}

}  // namespace rt_test
