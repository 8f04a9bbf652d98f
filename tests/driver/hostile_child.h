// Test support for hostile working directories: a piece of the driver run
// in a child process with a time limit, so that a hang or a crash shows as
// a failed test instead of stopping the whole test binary, and a snapshot
// of a directory tree that never opens anything but regular files (reading
// a named pipe would block the test itself).
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>

#include "tests/driver/disk_and_console.h"

namespace rt::test_support {

// The child ends with this status when prepare returned false, and with the
// other when an exception escaped the action (which would end the program).
constexpr int kChildUnprepared = 77;
constexpr int kChildThrew = 78;

struct ChildRun {
  bool finished = false;  // ended within the time limit
  bool unprepared = false;  // the preparation in the child said no
  int status = 0;           // wait status
  std::string transcript;   // what the child wrote to descriptor 1

  bool exited_normally() const { return finished && WIFEXITED(status) && WEXITSTATUS(status) == 0; }
  std::string how_it_ended() const {
    if (!finished) return "still running at the time limit (killed)";
    if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
    if (WEXITSTATUS(status) == kChildThrew) return "ended by an uncaught exception";
    return "exit status " + std::to_string(WEXITSTATUS(status));
  }
};

// Runs action in a forked child with descriptor 1 going to a scratch file.
// prepare runs first in the child (limits, identity); when it returns false
// the child ends at once and the result says so. The child is killed when it
// runs longer than limit_ms.
inline ChildRun run_in_child(const std::function<void()>& action,
                             const std::function<bool()>& prepare = nullptr, int limit_ms = 60000) {
  std::fflush(stdout);
  char name[] = "/tmp/retime-child-XXXXXX";
  const int capture = ::mkstemp(name);
  if (capture < 0) throw std::runtime_error("mkstemp failed");
  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    ::dup2(capture, 1);
    if (prepare && !prepare()) ::_exit(kChildUnprepared);
    // The child is inside a test body: an exception must not reach gtest,
    // which would carry on running tests in the child.
    try {
      action();
    } catch (...) {
      ::_exit(kChildThrew);
    }
    // Past gtest's and everybody's exit handlers: the child only reports.
    ::_exit(0);
  }
  ::close(capture);
  ChildRun run;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
  for (;;) {
    const pid_t done = ::waitpid(child, &run.status, WNOHANG);
    if (done == child) {
      run.finished = true;
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &run.status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.unprepared = run.finished && WIFEXITED(run.status) && WEXITSTATUS(run.status) == kChildUnprepared;
  run.transcript = read_bytes(name);
  ::unlink(name);
  return run;
}

// Every entry below root (links not followed) with its kind, and the bytes
// of regular files; entries below skip (a path relative to root) are left
// out. Named pipes and sockets are recorded, never opened.
inline std::map<std::string, std::string> tree_state(const std::string& root, const std::string& skip = "") {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> state;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string relative = it->path().string().substr(root.size() + 1);
    if (!skip.empty() && (relative == skip || relative.rfind(skip + "/", 0) == 0)) {
      it.disable_recursion_pending();
      continue;
    }
    const fs::file_status status = fs::symlink_status(it->path());
    switch (status.type()) {
      case fs::file_type::regular:
        state[relative] = "file " + read_bytes(it->path().string());
        break;
      case fs::file_type::directory:
        state[relative] = "directory";
        break;
      case fs::file_type::symlink:
        state[relative] = "link to " + fs::read_symlink(it->path()).string();
        break;
      case fs::file_type::fifo:
        state[relative] = "named pipe";
        break;
      case fs::file_type::socket:
        state[relative] = "socket";
        break;
      default:
        state[relative] = "other";
        break;
    }
  }
  return state;
}

}  // namespace rt::test_support
