// Runs a program on a real pseudo-terminal for the console tests, playing
// the terminal's part: it collects what the program writes, sends keys, and
// answers cursor position queries (ESC [ 6 n) the way a terminal does, or
// never, to stand for a terminal that does not answer.
//
// Everything is bounded: every wait has a time limit, and the destructor
// kills a program that is still running.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <string>
#include <vector>

namespace rt_test {

struct PtyOptions {
  bool answer_cursor_queries = true;
  int answer_row = 1;
  int answer_column = 14;
  unsigned short rows = 24;
  unsigned short columns = 80;
  // Bytes typed on the terminal before the program even starts.
  std::string typed_ahead;
  // Standard output goes to a pipe instead of the terminal.
  bool output_to_pipe = false;
  // Standard input is this file instead of the terminal.
  std::string input_file;
  // Standard input is a pipe holding piped_input and then closed, as in
  // "echo text | program"; the terminal keeps standard output.
  bool input_from_pipe = false;
  std::string piped_input;
  // The program's current directory; empty: the test's own.
  std::string working_directory;
  // The program runs in its own process group under a small job-control
  // parent (as under a shell), so that Ctrl-Z can really stop it.
  bool job_control = false;
  // The program starts with SIGHUP ignored, as under nohup, so that a hang-up
  // shows only in what its reads and writes return.
  bool ignore_hangup = false;
};

class PtyProcess {
 public:
  PtyProcess(const std::vector<std::string>& args, const PtyOptions& options);
  ~PtyProcess();
  PtyProcess(const PtyProcess&) = delete;
  PtyProcess& operator=(const PtyProcess&) = delete;

  // Sends bytes as typed keys.
  void type(const std::string& bytes);
  // Waits until the terminal output (or the piped output) holds text.
  bool wait_for_output(const std::string& text, int timeout_ms);
  bool wait_for_piped_output(const std::string& text, int timeout_ms);
  // Waits for the program's end; false when it runs on.
  bool wait_for_exit(int timeout_ms);
  // Collects output for a while (the program may or may not write).
  void collect(int milliseconds);
  // Sends a signal to the program.
  void signal(int signal_number);
  // Gives the terminal a new size; the kernel tells the program's process
  // group with SIGWINCH.
  void resize(unsigned short rows, unsigned short columns);
  // Closes the terminal's side, as when a terminal window is closed: the
  // program's terminal hangs up. Nothing can be typed or seen afterwards.
  void hang_up();

  // Job control only: waits until the program is stopped.
  bool wait_for_stop(int timeout_ms);

  // Raw wait status of the program (valid after wait_for_exit).
  int status() const { return status_; }
  const std::string& output() const { return output_; }
  const std::string& piped_output() const { return piped_output_; }
  // The terminal's current mode, as the program left it.
  termios terminal_mode() const;
  int cursor_queries() const { return queries_answered_ + queries_ignored_; }

 private:
  void pump(int timeout_ms);
  void answer_queries();
  void check_exit();

  PtyOptions options_;
  int master_ = -1;
  int slave_ = -1;
  int pipe_read_ = -1;
  int job_events_ = -1;  // job control: 'S' stopped, 'X' ended
  pid_t pid_ = -1;       // the program (or, with job control, its parent)
  pid_t program_ = -1;   // the program itself
  bool exited_ = false;
  bool stopped_ = false;
  int status_ = 0;
  std::string output_;
  std::string piped_output_;
  int queries_answered_ = 0;
  int queries_ignored_ = 0;
};

// Counts the occurrences of needle in haystack.
int count_of(const std::string& haystack, const std::string& needle);

}  // namespace rt_test
