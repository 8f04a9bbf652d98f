// The console without a terminal: standard input and output are pipes (or
// /dev/null, or closed), as in "echo text | retime". No escape sequence may
// be written and nothing may hang.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/case_name.h"

#include <chrono>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

namespace rt_test {
namespace {

using rt_test::case_name;

constexpr int kLimitMs = 5000;

enum class Input { pipe, dev_null, closed };

// The probe with its standard input and output on pipes.
class PipedProbe {
 public:
  PipedProbe(std::vector<std::string> arguments, Input input = Input::pipe) {
    arguments.insert(arguments.begin(), RETIME_EDIT_LINE_PROBE);
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      if (input == Input::pipe) {
        dup2(in[0], STDIN_FILENO);
      } else if (input == Input::dev_null) {
        int null = open("/dev/null", O_RDONLY);
        dup2(null, STDIN_FILENO);
      } else {
        close(STDIN_FILENO);
      }
      dup2(out[1], STDOUT_FILENO);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    output_fd_ = out[0];
    if (input != Input::pipe) close_input();
  }

  ~PipedProbe() {
    close_input();
    if (!exited_ && pid_ > 0) {
      kill(pid_, SIGKILL);
      int status;
      waitpid(pid_, &status, 0);
    }
    if (output_fd_ >= 0) close(output_fd_);
  }

  void write_input(const std::string& bytes) {
    ASSERT_EQ(write(input_, bytes.data(), bytes.size()),
              static_cast<ssize_t>(bytes.size()));
  }

  void close_input() {
    if (input_ >= 0) close(input_);
    input_ = -1;
  }

  bool wait_for_exit(int timeout_ms) {
    auto start = std::chrono::steady_clock::now();
    while (!exited_) {
      pump(10);
      if (std::chrono::steady_clock::now() - start >
          std::chrono::milliseconds(timeout_ms))
        return false;
    }
    while (output_fd_ >= 0) pump(50);  // everything written before the end
    return true;
  }

  void collect(int milliseconds) {
    auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start <
           std::chrono::milliseconds(milliseconds))
      pump(10);
  }

  const std::string& output() const { return output_; }
  int status() const { return status_; }

 private:
  void pump(int timeout_ms) {
    if (output_fd_ >= 0) {
      pollfd p{output_fd_, POLLIN, 0};
      if (poll(&p, 1, timeout_ms) > 0) {
        char buffer[4096];
        ssize_t n = read(output_fd_, buffer, sizeof buffer);
        if (n > 0) {
          output_.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
          close(output_fd_);
          output_fd_ = -1;
        }
      }
    }
    int status = 0;
    if (!exited_ && waitpid(pid_, &status, WNOHANG) == pid_) {
      exited_ = true;
      status_ = status;
    }
  }

  pid_t pid_ = -1;
  int input_ = -1;
  int output_fd_ = -1;
  bool exited_ = false;
  int status_ = 0;
  std::string output_;
};

struct LineCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string input;
  std::string output;
};

void PrintTo(const LineCase& c, std::ostream* out) { *out << c.name; }

class PipedLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(PipedLine, AnswersFromOneLineOfInput) {
  const LineCase& c = GetParam();
  PipedProbe p(c.arguments);
  p.write_input(c.input);
  p.close_input();
  ASSERT_TRUE(p.wait_for_exit(kLimitMs)) << c.name;
  EXPECT_TRUE(WIFEXITED(p.status()) && WEXITSTATUS(p.status()) == 0) << c.name;
  EXPECT_EQ(p.output(), c.output) << c.name;
}

const LineCase kLineCases[] = {
    {"a line ending in CR LF", {"C:\\subs"}, "D:\\sub\r\n",
     "Verzeichnis: D:\\sub\n[D:\\sub]\n"},
    {"a line ending in LF", {"C:\\subs"}, "abc\n", "Verzeichnis: abc\n[abc]\n"},
    {"end of input before any byte keeps the default", {"C:\\subs"}, "",
     "Verzeichnis: C:\\subs\n[C:\\subs]\n"},
    {"an empty line keeps the default", {"C:\\subs"}, "\n",
     "Verzeichnis: C:\\subs\n[C:\\subs]\n"},
    {"an empty line with CR keeps the default", {"C:\\subs"}, "\r\n",
     "Verzeichnis: C:\\subs\n[C:\\subs]\n"},
    {"a last line without line end", {"x"}, "abc", "Verzeichnis: abc\n[abc]\n"},
    {"only one CR is dropped", {"x"}, "abc\r\r\n", "Verzeichnis: abc\r\n[abc\r]\n"},
    {"escape bytes are plain text here", {"x"}, "a\x1b[Db\n",
     "Verzeichnis: a\x1b[Db\n[a\x1b[Db]\n"},
    {"the next call takes the next line", {"--again", "zwei", "x"}, "one\ntwo\nthree\n",
     "Verzeichnis: one\nVerzeichnis: two\n[one|two]\n"},
    {"a call after the end of input keeps its default", {"--again", "zwei", "x"},
     "one\n", "Verzeichnis: one\nVerzeichnis: zwei\n[one|zwei]\n"},
    {"the wait ends at the end of input", {"--wait", "x"}, "abc\n",
     "Verzeichnis: abc\n[abc]\n<waited>\n"},
};

INSTANTIATE_TEST_SUITE_P(PlainInput, PipedLine, ::testing::ValuesIn(kLineCases),
                         case_name<LineCase>);

TEST(PlainInput, WaitForKeyEndsWhenInputArrives) {
  PipedProbe p({"--wait", "x"});
  p.write_input("abc\n");
  p.collect(300);
  EXPECT_EQ(p.output(), "Verzeichnis: abc\n[abc]\n");  // still waiting
  p.write_input("k");
  ASSERT_TRUE(p.wait_for_exit(kLimitMs));
  EXPECT_EQ(p.output(), "Verzeichnis: abc\n[abc]\n<waited>\n");
}

TEST(PlainInput, InputLeftAfterTheLineEndsTheWait) {
  PipedProbe p({"--wait", "x"});
  p.write_input("abc\nmore");  // and the input stays open
  ASSERT_TRUE(p.wait_for_exit(kLimitMs));
  EXPECT_EQ(p.output(), "Verzeichnis: abc\n[abc]\n<waited>\n");
}

TEST(PlainInput, InputFromDevNullGivesTheDefault) {
  PipedProbe p({"--wait", "C:\\subs"}, Input::dev_null);
  ASSERT_TRUE(p.wait_for_exit(kLimitMs));
  EXPECT_EQ(p.output(), "Verzeichnis: C:\\subs\n[C:\\subs]\n<waited>\n");
}

TEST(PlainInput, ClosedStandardInputGivesTheDefault) {
  PipedProbe p({"--wait", "--sleep", "150", "C:\\subs"}, Input::closed);
  ASSERT_TRUE(p.wait_for_exit(kLimitMs));
  EXPECT_EQ(p.output(), "Verzeichnis: C:\\subs\n[C:\\subs]\n<waited>\n<slept>\n");
}

}  // namespace
}  // namespace rt_test
