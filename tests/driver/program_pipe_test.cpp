// The real retime program with a pipe or an empty file as standard input,
// as in "echo /home/anna/filme | retime" or a script run: the answer is one
// line, an empty line or no input keeps the stored directory, no escape
// sequence is written, and the run ends without a key at the end of input.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "tests/case_name.h"

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "tests/console/pty_process.h"
#include "tests/driver/installed_program.h"
#include "tests/driver/worked_example.h"

namespace rt::test_support {
namespace {

using rt_test::PtyOptions;
using rt_test::PtyProcess;

enum class Input { pipe, dev_null };
enum class Output { terminal, pipe };

// "@" in the texts below stands for the scratch directory, where the
// program lies.
struct PipedCase {
  const char* name;
  Input input;
  std::string piped;  // the bytes in the pipe
  Output output;
  bool stored_beforehand;  // a settings file holding "@/work" exists
  std::string shown;       // the answer as printed after the prompt
  std::string processed;   // where the pair lies; stored and processed
};

void PrintTo(const PipedCase& c, std::ostream* out) { *out << c.name; }

using rt_test::case_name;

std::string with_root(std::string text, const std::string& root) {
  for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + root.size()))
    text.replace(at, 1, root);
  return text;
}

class PlainInput : public ::testing::TestWithParam<PipedCase> {};

TEST_P(PlainInput, ProcessesTheDirectoryAndEndsWithoutAKey) {
  const PipedCase& c = GetParam();
  InstalledProgram program;
  const std::string root = program.root();
  const std::string processed = with_root(c.processed, root);
  put_worked_pair(processed);
  if (c.stored_beforehand) program.store_settings(root + "/work");

  PtyOptions options;
  if (c.input == Input::pipe) {
    options.input_from_pipe = true;
    options.piped_input = with_root(c.piped, root);
  } else {
    options.input_file = "/dev/null";
  }
  options.output_to_pipe = c.output == Output::pipe;
  PtyProcess p({program.binary()}, options);
  // No key is ever typed: the end of input ends the final wait.
  ASSERT_TRUE(p.wait_for_exit(kRunLimitMs)) << "hangs\n" << p.output() << p.piped_output();

  EXPECT_TRUE(WIFEXITED(p.status()) && WEXITSTATUS(p.status()) == 0) << p.status();
  // The answer is printed after the prompt, so the transcript reads as on
  // a screen; a terminal shows each line end as CR LF. No escape sequence.
  const std::string eol = c.output == Output::pipe ? "\n" : "\r\n";
  const std::string transcript = c.output == Output::pipe ? p.piped_output() : p.output();
  EXPECT_EQ(transcript,
            "Verzeichnis: " + with_root(c.shown, root) + report_with_worked_pair(eol));
  if (c.output == Output::pipe) {
    EXPECT_EQ(p.output(), "");
  }
  EXPECT_EQ(program.settings(), settings_after_run(processed));
  EXPECT_EQ(file_bytes(worked_output_path(processed)), worked_output);
}

const PipedCase kPipedCases[] = {
    {"a piped line, output on the terminal", Input::pipe, "@/work\n", Output::terminal, false,
     "@/work", "@/work"},
    {"a piped line, output to a pipe", Input::pipe, "@/work\n", Output::pipe, false, "@/work",
     "@/work"},
    {"a piped line with CR LF naming a file", Input::pipe, "@/work/film1.srt\r\n",
     Output::pipe, false, "@/work/film1.srt", "@/work"},
    {"a piped directory with a dot in its name is that directory", Input::pipe, "@/filme/staffel.2\n",
     Output::pipe, false, "@/filme/staffel.2", "@/filme/staffel.2"},
    {"a piped file that is not there stands for its folder", Input::pipe, "@/work/film9.srt\n",
     Output::pipe, false, "@/work/film9.srt", "@/work"},
    {"a piped empty line keeps the stored directory", Input::pipe, "\n", Output::pipe, true,
     "@/work", "@/work"},
    {"an empty pipe on a first run takes the program's own directory", Input::pipe, "",
     Output::terminal, false, "", "@"},
    {"dev null on a first run takes the program's own directory", Input::dev_null, "",
     Output::pipe, false, "", "@"},
    {"dev null keeps the stored directory", Input::dev_null, "", Output::terminal, true,
     "@/work", "@/work"},
};

INSTANTIATE_TEST_SUITE_P(Program, PlainInput, ::testing::ValuesIn(kPipedCases), case_name<PipedCase>);

}  // namespace
}  // namespace rt::test_support
