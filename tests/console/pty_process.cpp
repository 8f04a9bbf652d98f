#include "tests/console/pty_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utmp.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace rt_test {
namespace {

using Clock = std::chrono::steady_clock;

int elapsed_ms(Clock::time_point since) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                              Clock::now() - since).count());
}

void write_fully(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

// Appends what fd has to offer now; false at its end.
bool drain(int fd, std::string& into) {
  char buffer[4096];
  ssize_t n = read(fd, buffer, sizeof buffer);
  if (n > 0) {
    into.append(buffer, static_cast<std::size_t>(n));
    return true;
  }
  return n < 0 && (errno == EINTR || errno == EAGAIN);
}

// After fork, in the child: only plain system calls from here on.
[[noreturn]] void run_child(char* const* argv, int master, int slave,
                            const PtyOptions& options, int input_pipe,
                            int output_pipe, int events) {
  close(master);
  // Programs killed by SIGQUIT or SIGABRT leave no core files behind.
  rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  if (login_tty(slave) != 0) _exit(126);
  if (!options.working_directory.empty() &&
      chdir(options.working_directory.c_str()) != 0)
    _exit(122);
  if (!options.input_file.empty()) {
    int fd = open(options.input_file.c_str(), O_RDONLY);
    if (fd < 0) _exit(125);
    dup2(fd, STDIN_FILENO);
    close(fd);
  }
  if (input_pipe >= 0) dup2(input_pipe, STDIN_FILENO);
  if (output_pipe >= 0) dup2(output_pipe, STDOUT_FILENO);
  if (options.ignore_hangup) ::signal(SIGHUP, SIG_IGN);  // kept across exec
  if (!options.job_control) {
    execv(argv[0], argv);
    _exit(127);
  }
  // A small job-control shell: the program gets its own process group in
  // the foreground, and its stops and its end are reported on `events`.
  int go[2];
  if (pipe(go) != 0) _exit(124);
  pid_t program = fork();
  if (program == 0) {
    setpgid(0, 0);
    close(go[1]);
    char b;
    while (read(go[0], &b, 1) < 0 && errno == EINTR) {
    }
    close(go[0]);
    execv(argv[0], argv);
    _exit(127);
  }
  setpgid(program, program);
  tcsetpgrp(STDIN_FILENO, program);
  close(go[0]);
  while (write(go[1], "g", 1) < 0 && errno == EINTR) {
  }
  close(go[1]);
  char line[32];
  int n = std::snprintf(line, sizeof line, "P%d\n", static_cast<int>(program));
  while (write(events, line, static_cast<std::size_t>(n)) < 0 && errno == EINTR) {
  }
  for (;;) {
    int status = 0;
    pid_t r = waitpid(program, &status, WUNTRACED);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) _exit(123);
    if (WIFSTOPPED(status)) {
      while (write(events, "S", 1) < 0 && errno == EINTR) {
      }
      continue;
    }
    while (write(events, "X", 1) < 0 && errno == EINTR) {
    }
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  }
}

}  // namespace

int count_of(const std::string& haystack, const std::string& needle) {
  int count = 0;
  for (std::size_t at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + needle.size()))
    ++count;
  return count;
}

PtyProcess::PtyProcess(const std::vector<std::string>& args,
                       const PtyOptions& options)
    : options_(options) {
  winsize size{};
  size.ws_row = options.rows;
  size.ws_col = options.columns;
  if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0)
    throw std::runtime_error("openpty failed");
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  if (!options.typed_ahead.empty()) write_fully(master_, options.typed_ahead);

  // The piped input is written whole before the start and the writing end
  // closed, so the program meets the end of its input after it.
  int input_pipe[2] = {-1, -1};
  if (options.input_from_pipe) {
    // A pipe holds at least this much without a reader.
    if (options.piped_input.size() > 4096)
      throw std::runtime_error("piped input must fit the pipe");
    if (pipe2(input_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    write_fully(input_pipe[1], options.piped_input);
    close(input_pipe[1]);
    input_pipe[1] = -1;
  }
  int output_pipe[2] = {-1, -1};
  if (options.output_to_pipe && pipe2(output_pipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  int events[2] = {-1, -1};
  if (options.job_control && pipe2(events, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");

  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0)
    run_child(argv.data(), master_, slave_, options, input_pipe[0],
              output_pipe[1], events[1]);

  program_ = pid_;
  if (input_pipe[0] >= 0) close(input_pipe[0]);
  if (output_pipe[1] >= 0) close(output_pipe[1]);
  pipe_read_ = output_pipe[0];
  if (events[1] >= 0) close(events[1]);
  job_events_ = events[0];
  if (options.job_control) {
    // The job-control parent reports the program's process id first.
    std::string report;
    auto start = Clock::now();
    while (report.find('\n') == std::string::npos && elapsed_ms(start) < 5000) {
      pollfd p{job_events_, POLLIN, 0};
      if (poll(&p, 1, 50) > 0 && !drain(job_events_, report)) break;
    }
    if (report.size() < 3 || report[0] != 'P')
      throw std::runtime_error("job-control parent did not report");
    program_ = static_cast<pid_t>(std::atoi(report.c_str() + 1));
  }
}

PtyProcess::~PtyProcess() {
  if (!exited_) {
    if (program_ != pid_) kill(program_, SIGKILL);
    kill(pid_, SIGKILL);
    int status;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
  for (int fd : {master_, slave_, pipe_read_, job_events_})
    if (fd >= 0) close(fd);
}

void PtyProcess::type(const std::string& bytes) {
  if (master_ >= 0) write_fully(master_, bytes);
}

void PtyProcess::resize(unsigned short rows, unsigned short columns) {
  winsize size{};
  size.ws_row = rows;
  size.ws_col = columns;
  if (master_ >= 0) ioctl(master_, TIOCSWINSZ, &size);
}

void PtyProcess::hang_up() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

void PtyProcess::signal(int signal_number) {
  if (signal_number == SIGCONT) stopped_ = false;
  kill(program_, signal_number);
}

void PtyProcess::answer_queries() {
  const std::string query = "\x1b[6n";  // DSR: cursor position query
  int seen = count_of(output_, query);
  while (queries_answered_ + queries_ignored_ < seen) {
    if (options_.answer_cursor_queries) {
      // CPR: the cursor position report
      type("\x1b[" + std::to_string(options_.answer_row) + ";" +
           std::to_string(options_.answer_column) + "R");
      ++queries_answered_;
    } else {
      ++queries_ignored_;
    }
  }
}

void PtyProcess::check_exit() {
  if (exited_) return;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    exited_ = true;
    status_ = status;
  }
}

void PtyProcess::pump(int timeout_ms) {
  pollfd fds[3];
  nfds_t n = 0;
  fds[n++] = pollfd{master_, POLLIN, 0};
  if (pipe_read_ >= 0) fds[n++] = pollfd{pipe_read_, POLLIN, 0};
  if (job_events_ >= 0) fds[n++] = pollfd{job_events_, POLLIN, 0};
  if (poll(fds, n, timeout_ms) > 0) {
    for (nfds_t i = 0; i < n; ++i) {
      if ((fds[i].revents & (POLLIN | POLLHUP)) == 0) continue;
      if (fds[i].fd == master_) {
        drain(master_, output_);
      } else if (fds[i].fd == pipe_read_) {
        if (!drain(pipe_read_, piped_output_)) {
          close(pipe_read_);
          pipe_read_ = -1;
        }
      } else {
        std::string events;
        if (!drain(job_events_, events)) {
          close(job_events_);
          job_events_ = -1;
        }
        if (events.find('S') != std::string::npos) stopped_ = true;
      }
    }
  }
  answer_queries();
  check_exit();
}

bool PtyProcess::wait_for_output(const std::string& text, int timeout_ms) {
  auto start = Clock::now();
  while (output_.find(text) == std::string::npos) {
    if (elapsed_ms(start) >= timeout_ms) return false;
    pump(10);
  }
  return true;
}

bool PtyProcess::wait_for_piped_output(const std::string& text, int timeout_ms) {
  auto start = Clock::now();
  while (piped_output_.find(text) == std::string::npos) {
    if (elapsed_ms(start) >= timeout_ms) return false;
    pump(10);
  }
  return true;
}

bool PtyProcess::wait_for_exit(int timeout_ms) {
  auto start = Clock::now();
  while (!exited_) {
    if (elapsed_ms(start) >= timeout_ms) return false;
    pump(10);
  }
  collect(50);  // what was written just before the end
  return true;
}

bool PtyProcess::wait_for_stop(int timeout_ms) {
  auto start = Clock::now();
  while (!stopped_) {
    if (elapsed_ms(start) >= timeout_ms) return false;
    pump(10);
  }
  return true;
}

void PtyProcess::collect(int milliseconds) {
  auto start = Clock::now();
  while (elapsed_ms(start) < milliseconds) pump(10);
}

termios PtyProcess::terminal_mode() const {
  termios mode{};
  tcgetattr(slave_, &mode);
  return mode;
}

}  // namespace rt_test
