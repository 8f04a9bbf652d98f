#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "driver/working_directory.h"
#include "tests/text/temp_directory.h"

namespace rt {
namespace {

struct LineCase {
  std::vector<std::string> arguments;
  Action action;
  std::string directory;
  std::string error;
  std::string error_subject;
  bool report = false;
  int cps = kDefaultCpsLimit;
  int cue_characters = kDefaultCueCharacterLimit;
};

void PrintTo(const LineCase& c, std::ostream* out) {
  for (const std::string& a : c.arguments) *out << "[" << a << "]";
}

TEST(CommandLine, WordsGiveTheActionAndTheDirectory) {
  const LineCase cases[] = {
      {{}, Action::ask_for_directory, "", "", ""},
      {{"/home/anna/filme"}, Action::run_directory, "/home/anna/filme", "", ""},
      {{""}, Action::run_directory, "", "", ""},
      {{"-"}, Action::run_directory, "-", "", ""},
      {{"--", "--help"}, Action::run_directory, "--help", "", ""},
      {{"--", "-x"}, Action::run_directory, "-x", "", ""},
      {{"--", "--"}, Action::run_directory, "--", "", ""},
      {{"--"}, Action::ask_for_directory, "", "", ""},
      {{"-h"}, Action::show_help, "", "", ""},
      {{"--help"}, Action::show_help, "", "", ""},
      {{"filme", "--help"}, Action::show_help, "", "", ""},
      {{"--version"}, Action::show_version, "", "", ""},
      {{"--version", "-h"}, Action::show_help, "", "", ""},
      {{"--bogus"}, Action::refuse, "", "retime: unbekannte Option", "\"--bogus\""},
      {{"--help", "-x"}, Action::refuse, "", "retime: unbekannte Option", "\"-x\""},
      {{"--help=1"}, Action::refuse, "", "retime: unbekannte Option", "\"--help=1\""},
      {{"-hv"}, Action::refuse, "", "retime: unbekannte Option", "\"-hv\""},
      {{"a", "b"}, Action::refuse, "", "retime: nur ein Verzeichnis erlaubt, angegeben: 2", ""},
      {{"a", "--", "b", "c"}, Action::refuse, "",
       "retime: nur ein Verzeichnis erlaubt, angegeben: 3", ""},
      {{"-y", "-z", "a", "b"}, Action::refuse, "", "retime: unbekannte Option", "\"-y\""},
      {{"--report"}, Action::ask_for_directory, "", "", "", true},
      {{"--report", "--cps", "20", "--max-chars=90", "d"}, Action::run_directory, "d", "", "", true, 20, 90},
      {{"--max-chars", "042", "--cps=1", "--report"}, Action::ask_for_directory, "", "", "", true, 1, 42},
      {{"--report", "--cps", "--", "d"}, Action::refuse, "", "retime: --cps erwartet eine ganze Zahl von 1 bis 999, nicht",
       "\"--\"", true},
      {{"--report", "--cps=0"}, Action::refuse, "", "retime: --cps erwartet eine ganze Zahl von 1 bis 999, nicht",
       "\"0\"", true},
      {{"--report", "--max-chars", "1000"}, Action::refuse, "",
       "retime: --max-chars erwartet eine ganze Zahl von 1 bis 999, nicht", "\"1000\"", true},
      {{"--report", "--cps", "17,5"}, Action::refuse, "",
       "retime: --cps erwartet eine ganze Zahl von 1 bis 999, nicht", "\"17,5\"", true},
      {{"--report", "--max-chars"}, Action::refuse, "", "retime: --max-chars erwartet eine ganze Zahl von 1 bis 999",
       "", true},
      {{"--cps", "20", "d"}, Action::refuse, "", "retime: --cps gilt nur zusammen mit --report", "", false, 20},
      {{"--report=ja"}, Action::refuse, "", "retime: unbekannte Option", "\"--report=ja\""},
      {{"--", "--report"}, Action::run_directory, "--report", "", ""},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c));
    const CommandLine line = parse_command_line(c.arguments);
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.directory, c.directory);
    EXPECT_EQ(line.error, c.error);
    EXPECT_EQ(line.error_subject, c.error_subject);
    EXPECT_EQ(line.report, c.report);
    EXPECT_EQ(line.limits.cps, c.cps);
    EXPECT_EQ(line.limits.cue_characters, c.cue_characters);
  }
}

// The directory of the command line on a real disk, on every platform: what
// exists is taken whatever dots it holds, as an absolute path in the
// system's form; a file stands for its folder; nothing there is refused.
// An answer to the question goes by the same rule (find_directory), and
// besides takes a name with a dot that names nothing for a file in the
// folder before it.
TEST(CommandLine, DirectoryIsResolvedOnDisk) {
  TempDirectory root;
  std::filesystem::create_directory(root / "staffel.2");
  write_bytes(root / "staffel.2/film1.srt", "1");
  write_bytes(root / "staffel.2/LIESMICH", "1");
  const std::string base = std::filesystem::canonical(root.path()).string();
  const std::string season = base + std::string(1, std::filesystem::path::preferred_separator) +
                             "staffel.2";
  struct Case {
    std::string given;
    Action action;
    std::string directory;
    std::string error;
    // The answer's outcome: what it found, and the directory or what was
    // looked for.
    DirectoryFound answer_found;
    std::string answer_directory;
  };
  const Case cases[] = {
      {root / "staffel.2", Action::run_directory, season, "", DirectoryFound::directory, season},
      {root / "staffel.2/", Action::run_directory, season, "", DirectoryFound::directory, season},
      {root / "staffel.2/..", Action::run_directory, base, "", DirectoryFound::directory, base},
      {root / "staffel.2/film1.srt", Action::run_directory, season, "", DirectoryFound::directory, season},
      {root / "staffel.2/LIESMICH", Action::run_directory, season, "", DirectoryFound::directory, season},
      {".", Action::run_directory, season, "", DirectoryFound::directory, season},
      {root / "missing", Action::refuse, "", "retime: Verzeichnis nicht gefunden:", DirectoryFound::missing,
       root / "missing"},
      {"", Action::refuse, "", "retime: Verzeichnis nicht gefunden:", DirectoryFound::missing, ""},
      // A file that is not there: the command line wants what exists, an
      // answer takes the folder it would lie in, when that exists.
      {root / "staffel.2/film9.srt", Action::refuse, "", "retime: Verzeichnis nicht gefunden:",
       DirectoryFound::directory, season},
      {"film9.srt", Action::refuse, "", "retime: Verzeichnis nicht gefunden:", DirectoryFound::directory, season},
      {root / "tippfehler/film1.srt", Action::refuse, "", "retime: Verzeichnis nicht gefunden:",
       DirectoryFound::missing, root / "tippfehler"},
      {root / "staffel.3", Action::refuse, "", "retime: Verzeichnis nicht gefunden:", DirectoryFound::directory,
       base},
      {root / "staffel.2/film1.srt/x.srt", Action::refuse, "", "retime: Verzeichnis nicht gefunden:",
       DirectoryFound::missing, root / "staffel.2/film1.srt"},
  };
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(root / "staffel.2");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    CommandLine line = parse_command_line({"--", c.given});
    resolve_directory(line);
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.directory, c.directory);
    EXPECT_EQ(line.error, c.error);
    EXPECT_EQ(line.error_subject, c.error.empty() ? "" : "\"" + c.given + "\"");
    const FoundDirectory answer = find_directory(c.given, true);
    EXPECT_EQ(answer.found, c.answer_found);
    EXPECT_EQ(answer.directory, c.answer_directory);
  }
  std::filesystem::current_path(previous);
}

// A word the program's bytes cannot hold exactly (on Windows: a character
// the code page lacks, shown as "?") is refused, whatever the line asked.
TEST(CommandLine, InexactWordsAreRefused) {
  const std::vector<CommandWord> words = {{"--report", true}, {"?\xF3" "d?", false}};
  CommandLine line = parse_command_line(word_bytes(words));
  ASSERT_EQ(line.action, Action::run_directory);
  refuse_inexact_words(line, words);
  EXPECT_EQ(line.action, Action::refuse);
  EXPECT_EQ(line.directory, "");
  EXPECT_EQ(line.error, "retime: Argument mit Zeichen au\xC3\x9F" "erhalb der Codepage (als ? gezeigt):");
  EXPECT_EQ(line.error_subject, "\"?\xF3" "d?\"");

  const std::vector<CommandWord> exact = {{"--", true}, {"Lodz", true}};
  CommandLine kept = parse_command_line(word_bytes(exact));
  refuse_inexact_words(kept, exact);
  EXPECT_EQ(kept.action, Action::run_directory);
  EXPECT_EQ(kept.directory, "Lodz");
}

}  // namespace
}  // namespace rt
