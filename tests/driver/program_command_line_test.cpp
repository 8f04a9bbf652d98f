// The real retime program with arguments: --help and --version only print
// (our own texts in the user's character set), a usage error touches
// nothing, a directory argument runs the batch without the question and
// without the wait and tells by its exit status whether every pair was
// written, and a program started by bare name from PATH keeps its settings
// in the user's configuration folder.
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
constexpr int kExitPairFailed = 1;
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
  const char* locale;  // LC_ALL: "C.UTF-8", or "C" for a single-byte character set
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
  std::vector<std::string> args{"/usr/bin/env", std::string("LC_ALL=") + c.locale,
                                program.binary()};
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

// text with its umlauts as ISO 8859-1 bytes instead of UTF-8.
std::string latin1(std::string text) {
  const std::pair<const char*, char> umlauts[] = {
      {"\xC3\xA4", '\xE4'}, {"\xC3\xB6", '\xF6'}, {"\xC3\xBC", '\xFC'}, {"\xC3\x9F", '\xDF'}};
  for (const auto& [utf8, byte] : umlauts) {
    for (std::size_t at; (at = text.find(utf8)) != std::string::npos;) text.replace(at, 2, 1, byte);
  }
  return text;
}

const std::string kUtf8Help = usage_text();
const std::string kLatin1Help = latin1(usage_text());

const OptionCase kOptionCases[] = {
    {"help", "C.UTF-8", {"--help"}, kExitDone, kUtf8Help, ""},
    {"short help", "C.UTF-8", {"-h"}, kExitDone, kUtf8Help, ""},
    {"help single byte", "C", {"--help"}, kExitDone, kLatin1Help, ""},
    {"version", "C.UTF-8", {"--version"}, kExitDone, "retime 1.0.0\n", ""},
    {"unknown option", "C.UTF-8", {"--bogus"}, kExitUsage, "",
     on_terminal("retime: unbekannte Option \"--bogus\"\nHilfe: retime --help\n")},
    {"two directories", "C.UTF-8", {"work", "cwd"}, kExitUsage, "",
     on_terminal("retime: nur ein Verzeichnis erlaubt, angegeben: 2\nHilfe: retime --help\n")},
    {"missing directory", "C.UTF-8", {"missing"}, kExitUsage, "",
     on_terminal("retime: Verzeichnis nicht gefunden: \"missing\"\nHilfe: retime --help\n")},
    {"device single byte", "C", {"/dev/null"}, kExitUsage, "",
     on_terminal("retime: weder Verzeichnis noch gew\xF6hnliche Datei: \"/dev/null\"\n"
                 "Hilfe: retime --help\n")},
    {"limit out of range", "C.UTF-8", {"--report", "--cps", "0", "work"}, kExitUsage, "",
     on_terminal("retime: --cps erwartet eine ganze Zahl von 1 bis 999, nicht \"0\"\n"
                 "Hilfe: retime --help\n")},
};

TEST(ProgramHelp, SpeaksGermanWithItsUmlauts) {
  EXPECT_NE(kUtf8Help.find("l\xC3\xA4ngsten"), std::string::npos);
  EXPECT_NE(kLatin1Help.find("l\xE4ngsten"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Program, Options, ::testing::ValuesIn(kOptionCases),
                         rt_test::case_name<OptionCase>);

struct DirectoryCase {
  const char* name;
  const char* current;   // the program's current directory, below the scratch directory
  const char* argument;  // a leading "/" stands for the scratch directory
  const char* pair;      // where the pair lies, below the scratch directory
  const std::string* text;
  int exit;
};

void PrintTo(const DirectoryCase& c, std::ostream* out) { *out << c.name; }

class DirectoryArgument : public ::testing::TestWithParam<DirectoryCase> {};

TEST_P(DirectoryArgument, RunsTheBatchWithoutQuestionOrWait) {
  const DirectoryCase& c = GetParam();
  InstalledProgram program;
  const std::string pair = program.root() + "/" + c.pair;
  std::filesystem::create_directories(program.root() + "/" + c.current);
  put_worked_pair(pair);
  write_bytes(pair + "/film1.txt", *c.text);
  program.store_settings(program.root() + "/elsewhere");

  // Standard input is the terminal and no key is ever typed: a program
  // that asked or waited would not end.
  PtyOptions options;
  options.output_to_pipe = true;
  options.working_directory = program.root() + "/" + c.current;
  // Where a "\\" would be taken for a separator lies another pair, which
  // must stay untouched.
  std::string decoy = c.pair;
  for (char& ch : decoy) ch = ch == '\\' ? '/' : ch;
  decoy = decoy == c.pair ? "" : program.root() + "/" + decoy;
  if (!decoy.empty()) put_worked_pair(decoy);
  const std::string argument =
      c.argument[0] == '/' ? program.root() + c.argument : std::string(c.argument);
  PtyProcess p({program.binary(), "--", argument}, options);
  ASSERT_TRUE(p.wait_for_exit(kRunLimitMs)) << "hangs\n" << p.piped_output();

  EXPECT_EQ(exit_code(p), c.exit);
  const bool failed = c.exit == kExitPairFailed;
  // The report without the two line ends that follow the prompt.
  std::string report = report_with_worked_pair("\n").substr(2);
  if (failed) {
    const std::string searching = " Berechne Korrekturfaktor...\n";
    report.insert(report.find(searching) + searching.size(),
                  " Fehler\n    Grund: Text ohne Vokale in Kleinschrift: film1.txt\n");
  }
  EXPECT_EQ(p.piped_output(), report);
  EXPECT_EQ(p.output(), "");
  EXPECT_EQ(program.settings(), settings_after_run(pair)) << "the absolute path is stored";
  EXPECT_EQ(file_bytes(worked_output_path(pair)), failed ? std::string() : worked_output)
      << "a failed pair leaves its output empty";
  if (!decoy.empty()) {
    EXPECT_FALSE(directory_exists(decoy + "/untertitel")) << "another directory was processed";
  }
}

const DirectoryCase kDirectoryCases[] = {
    {"absolute", "", "/work", "work", &worked_text, kExitDone},
    {"a file names its folder", "", "/work/film1.srt", "work", &worked_text, kExitDone},
    {"relative file", "work", "film1.srt", "work", &worked_text, kExitDone},
    {"dot is the current directory", "work", ".", "work", &worked_text, kExitDone},
    {"two dots are the parent", "work/sub", "..", "work", &worked_text, kExitDone},
    {"a dot in the last name", "", "/filme/staffel.2", "filme/staffel.2", &worked_text, kExitDone},
    {"a failed pair", "", "/work", "work", &weightless_text, kExitPairFailed},
    {"a backslash is part of a name", "", "/x\\y", "x\\y", &worked_text, kExitDone},
    {"a backslash in a relative name", "", "x\\y", "x\\y", &worked_text, kExitDone},
};

INSTANTIATE_TEST_SUITE_P(Program, DirectoryArgument, ::testing::ValuesIn(kDirectoryCases),
                         rt_test::case_name<DirectoryCase>);

TEST(ProgramReport, WorkedExampleFlagsCueTwoAndWritesThePage) {
  InstalledProgram program;
  const std::string work = program.root() + "/work";
  put_worked_pair(work);

  PtyOptions options;
  options.output_to_pipe = true;
  PtyProcess p({program.binary(), "--report", work}, options);
  ASSERT_TRUE(p.wait_for_exit(kRunLimitMs)) << "hangs\n" << p.piped_output();

  EXPECT_EQ(exit_code(p), kExitDone);
  std::string expected;
  for (const char* line : {" 1 Timecodedatei", "", " 1. Objekt", " Timecode: film1.srt", "     Text: film1.txt",
                           "  Ausgabe: film1..src", " Lade Text...", " Berechne Korrekturfaktor...",
                           "   Geschrieben: 3 von 3 Untertiteln, 1 leer",
                           "   Textrest (nicht verteilt): 0 Zeichen",
                           "   Zeichen/s: Median 16,9, 95. Perzentil 18,5, Maximum 18,5 (Nr. 2, 00:00:03,000)",
                           "   Mehr als 17 Zeichen/s: 1 (Nr. 2)", "   Mehr als 84 Zeichen: 0",
                           "   Korrekturfaktor: 1,584 nach 589 Runden", "", "  Bericht: bericht.html", "", "Fertig"})
    expected += std::string(line) + "\n";
  EXPECT_EQ(p.piped_output(), expected);
  EXPECT_EQ(p.output(), "");
  EXPECT_EQ(file_bytes(worked_output_path(work)), worked_output) << "the report changes no output byte";
  const std::optional<std::string> page = file_bytes(work + "/untertitel/bericht.html");
  ASSERT_TRUE(page.has_value());
  EXPECT_NE(page->find("<svg class=\"chart\""), std::string::npos);
  // Number, start, duration, speed, the duration it needs at 17 (at 2,171 s
  // it shows 17,0), characters, none over 84, the text.
  EXPECT_NE(page->find("<tr><td>2<td>00:00:03,000<td>2,000<td>18,5<td>2,171<td>37<td><td>"
                       "es dir heute? Mir geht es gut, danke.</td>"),
            std::string::npos);
  EXPECT_EQ(page->find("<tr><td>1<td>"), std::string::npos) << "cue 1 (15,3) is not flagged";
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
