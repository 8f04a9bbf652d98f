// A program in a window of a real terminal emulator: tmux runs it, keys are
// sent with send-keys, and the window's text and cursor are read back, so
// tests can check the screen a person sees rather than the bytes written.
//
// Every tmux command is bounded in time; the window's server is private to
// one TmuxWindow (its socket lies in a temporary directory) and is killed
// with it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace rt_test {

struct CommandResult {
  bool ran = false;  // the command ended in time
  int status = -1;   // raw wait status
  std::string output;
};

// Runs a command without a shell, standard input and standard error on
// /dev/null, and kills it when it has not ended within 5 seconds.
CommandResult run_command(std::vector<std::string> args);

// Whether tmux can be run here.
bool tmux_available();

class TmuxWindow {
 public:
  // Starts command (the program's path, then its arguments) in a detached
  // window of the given size; start_directory, when not empty, is the
  // program's current directory.
  TmuxWindow(const std::vector<std::string>& command, int columns, int rows,
             const std::string& start_directory = "");
  ~TmuxWindow();
  TmuxWindow(const TmuxWindow&) = delete;
  TmuxWindow& operator=(const TmuxWindow&) = delete;

  // Key names as send-keys takes them ("Enter", "BSpace", "Home", "x").
  void send_keys(const std::vector<std::string>& keys);

  // The window's rows as shown, without trailing blanks.
  std::vector<std::string> screen();
  std::string row(std::size_t i);

  // The window's rows with their colours and attributes as escape
  // sequences (capture-pane -e).
  std::string screen_with_attributes();

  // Gives the window a new size; the program gets SIGWINCH.
  void resize(int columns, int rows);

  // Column and row of the cursor, 0-based.
  std::pair<int, int> cursor();

  // Waits (5 seconds unless said otherwise) until row i shows exactly text.
  bool wait_for_row(std::size_t i, const std::string& text, int timeout_ms = 5000);

  // Waits until the program has ended and its window is gone.
  bool wait_for_end(int timeout_ms);

  bool started() const { return started_; }

 private:
  CommandResult tmux(std::vector<std::string> args);

  std::string directory_;
  std::string socket_;
  bool started_ = false;
};

}  // namespace rt_test
