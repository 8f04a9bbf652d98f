// The real retime program with arguments: --help and --version only print,
// a usage error touches nothing, a directory argument runs the batch
// without the question and without the wait, and a program started by bare
// name from PATH keeps its settings in the user's configuration folder.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "tests/case_name.h"
#include "tests/console/pty_process.h"
#include "tests/driver/installed_program.h"
#include "tests/driver/worked_example.h"

namespace rt::test_support {
namespace {

using rt_test::PtyOptions;
using rt_test::PtyProcess;

constexpr int kExitDone = 0;
constexpr int kExitUsage = 2;

// Every entry below folder, as paths relative to it.
std::set<std::string> entries_below(const std::string& folder) {
  std::set<std::string> entries;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    entries.insert(std::filesystem::relative(entry.path(), folder).string());
  return entries;
}

int exit_code(const PtyProcess& p) { return WIFEXITED(p.status()) ? WEXITSTATUS(p.status()) : -1; }

struct OptionCase {
  const char* name;
  std::vector<std::string> arguments;
  int exit;
  std::string standard_output;
  std::string standard_error;  // as the terminal shows it
};

void PrintTo(const OptionCase& c, std::ostream* out) { *out << c.name; }

class Options : public ::testing::TestWithParam<OptionCase> {};

TEST_P(Options, PrintAndEndWithoutReadingOrWriting) {
  const OptionCase& c = GetParam();
  InstalledProgram program;
  const std::string cwd = program.root() + "/cwd";
  std::filesystem::create_directory(cwd);
  put_worked_pair(program.root() + "/work");
  const std::set<std::string> before = entries_below(program.root());

  PtyOptions options;
  options.output_to_pipe = true;
  // An answer waits in the pipe: a program that ran would take it.
  options.input_from_pipe = true;
  options.piped_input = program.root() + "/work\n";
  options.working_directory = cwd;
  std::vector<std::string> args{program.binary()};
  args.insert(args.end(), c.arguments.begin(), c.arguments.end());
  PtyProcess p(args, options);
  ASSERT_TRUE(p.wait_for_exit(kRunLimitMs)) << p.output() << p.piped_output();

  EXPECT_EQ(exit_code(p), c.exit);
  EXPECT_EQ(p.piped_output(), c.standard_output);
  EXPECT_EQ(p.output(), c.standard_error);
  EXPECT_EQ(entries_below(program.root()), before) << "nothing written, no settings file made";
}

std::string on_terminal(std::string text) {
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
    text.replace(at, 1, "\r\n");
  return text;
}

const OptionCase kOptionCases[] = {
    {"help", {"--help"}, kExitDone, usage_text(), ""},
    {"short help", {"-h"}, kExitDone, usage_text(), ""},
    {"version", {"--version"}, kExitDone, "retime 1.0.0\n", ""},
    {"unknown option", {"--bogus"}, kExitUsage, "",
     on_terminal("retime: unbekannte Option \"--bogus\"\nHilfe: retime --help\n")},
    {"two directories", {"work", "cwd"}, kExitUsage, "",
     on_terminal("retime: nur ein Verzeichnis erlaubt, angegeben: 2\nHilfe: retime --help\n")},
};

INSTANTIATE_TEST_SUITE_P(Program, Options, ::testing::ValuesIn(kOptionCases),
                         rt_test::case_name<OptionCase>);

TEST(ProgramDirectoryArgument, RunsTheBatchWithoutQuestionOrWait) {
  const char* given_as[] = {"/work", "/work/film1.srt"};
  for (const char* given : given_as) {
    SCOPED_TRACE(given);
    InstalledProgram program;
    const std::string work = program.root() + "/work";
    put_worked_pair(work);
    program.store_settings(program.root() + "/elsewhere");

    // Standard input is the terminal and no key is ever typed: a program
    // that asked or waited would not end.
    PtyOptions options;
    options.output_to_pipe = true;
    PtyProcess p({program.binary(), "--", program.root() + given}, options);
    ASSERT_TRUE(p.wait_for_exit(kRunLimitMs)) << "hangs\n" << p.piped_output();

    EXPECT_EQ(exit_code(p), kExitDone);
    const std::string eol = "\n";
    // The report without the two line ends that follow the prompt.
    EXPECT_EQ(p.piped_output(), report_with_worked_pair(eol).substr(2 * eol.size()));
    EXPECT_EQ(p.output(), "");
    EXPECT_EQ(program.settings(), settings_after_run(work));
    EXPECT_EQ(file_bytes(worked_output_path(work)), worked_output);
  }
}

struct BareNameCase {
  const char* name;
  bool config_home_set;  // XDG_CONFIG_HOME names a folder of its own
  const char* settings;  // relative to the scratch directory
};

void PrintTo(const BareNameCase& c, std::ostream* out) { *out << c.name; }

class BareName : public ::testing::TestWithParam<BareNameCase> {};

TEST_P(BareName, SettingsLieInTheConfigurationFolder) {
  const BareNameCase& c = GetParam();
  InstalledProgram program("bin");
  const std::string root = program.root();
  const std::string work = root + "/work";
  put_worked_pair(work);
  for (const char* folder : {"/cwd", "/home"}) std::filesystem::create_directory(root + folder);

  // The shell finds "retime" on PATH and passes the bare name as argument 0.
  const std::string script =
      "cd \"$1\" && export HOME=\"$2\" PATH=\"$3:$PATH\" && "
      "if [ -n \"$4\" ]; then export XDG_CONFIG_HOME=\"$4\"; else unset XDG_CONFIG_HOME; fi && "
      "exec retime";
  PtyOptions options;
  options.input_from_pipe = true;
  options.piped_input = work + "\n";
  options.output_to_pipe = true;
  PtyProcess p({"/bin/sh", "-c", script, "sh", root + "/cwd", root + "/home", program.folder(),
                c.config_home_set ? root + "/xdg" : ""},
               options);
  ASSERT_TRUE(p.wait_for_exit(kRunLimitMs)) << "hangs\n" << p.output() << p.piped_output();

  EXPECT_EQ(exit_code(p), kExitDone) << p.output();
  EXPECT_EQ(p.piped_output(), "Verzeichnis: " + work + report_with_worked_pair("\n"));
  EXPECT_EQ(file_bytes(root + "/" + c.settings), settings_after_run(work));
  EXPECT_EQ(entries_below(root + "/cwd"), std::set<std::string>()) << "no stray settings file";
  EXPECT_EQ(entries_below(program.folder()), std::set<std::string>{"retime"});
  const std::string folder = std::filesystem::path(root + "/" + c.settings).parent_path().string();
  EXPECT_EQ(entries_below(folder), std::set<std::string>{"retime.ini"}) << "no temporary file left";
  // Both folders were made by the run, for the user alone.
  const std::filesystem::path made = folder;
  for (const std::filesystem::path& each : {made, made.parent_path()}) {
    EXPECT_EQ(std::filesystem::status(each).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all)
        << each;
  }
}

const BareNameCase kBareNameCases[] = {
    {"home config folder made when missing", false, "home/.config/retime/retime.ini"},
    {"XDG_CONFIG_HOME", true, "xdg/retime/retime.ini"},
};

INSTANTIATE_TEST_SUITE_P(Program, BareName, ::testing::ValuesIn(kBareNameCases),
                         rt_test::case_name<BareNameCase>);

}  // namespace
}  // namespace rt::test_support
