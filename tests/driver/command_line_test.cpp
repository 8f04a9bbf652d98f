#include "driver/command_line.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace rt {
namespace {

struct LineCase {
  std::vector<std::string> arguments;
  Action action;
  std::string directory;
  std::string error;
};

void PrintTo(const LineCase& c, std::ostream* out) {
  for (const std::string& a : c.arguments) *out << "[" << a << "]";
}

TEST(CommandLine, WordsGiveTheActionAndTheDirectory) {
  const LineCase cases[] = {
      {{}, Action::ask_for_directory, "", ""},
      {{"/home/anna/filme"}, Action::run_directory, "/home/anna/filme", ""},
      {{""}, Action::run_directory, "", ""},
      {{"-"}, Action::run_directory, "-", ""},
      {{"--", "--help"}, Action::run_directory, "--help", ""},
      {{"--", "-x"}, Action::run_directory, "-x", ""},
      {{"--", "--"}, Action::run_directory, "--", ""},
      {{"--"}, Action::ask_for_directory, "", ""},
      {{"-h"}, Action::show_help, "", ""},
      {{"--help"}, Action::show_help, "", ""},
      {{"filme", "--help"}, Action::show_help, "", ""},
      {{"--version"}, Action::show_version, "", ""},
      {{"--version", "-h"}, Action::show_help, "", ""},
      {{"--bogus"}, Action::refuse, "", "retime: unbekannte Option \"--bogus\""},
      {{"--help", "-x"}, Action::refuse, "", "retime: unbekannte Option \"-x\""},
      {{"--help=1"}, Action::refuse, "", "retime: unbekannte Option \"--help=1\""},
      {{"-hv"}, Action::refuse, "", "retime: unbekannte Option \"-hv\""},
      {{"a", "b"}, Action::refuse, "", "retime: nur ein Verzeichnis erlaubt, angegeben: 2"},
      {{"a", "--", "b", "c"}, Action::refuse, "",
       "retime: nur ein Verzeichnis erlaubt, angegeben: 3"},
      {{"-y", "-z", "a", "b"}, Action::refuse, "", "retime: unbekannte Option \"-y\""},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c));
    const CommandLine line = parse_command_line(c.arguments);
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.directory, c.directory);
    EXPECT_EQ(line.error, c.error);
  }
}

}  // namespace
}  // namespace rt
