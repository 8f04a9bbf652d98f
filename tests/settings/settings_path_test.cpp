#include "settings/settings_path.h"

#include <gtest/gtest.h>

#include <string>

#include "text/paths.h"

namespace rt {
namespace {

struct PathCase {
  const char* argument0;
  const char* config_folder;
  const char* expected;
};

// The separator the program joins folders with, and whether "\\" is one.
const std::string kSep(1, path_separator());
const bool kBackslashSeparates = is_separator('\\');

TEST(SettingsPath, ByPathBesideArgumentZeroByBareNameInTheConfigFolder) {
  const PathCase cases[] = {
      {"C:\\Tools\\retime.exe", "", "C:\\Tools\\retime.ini"},
      {"/usr/local/bin/retime", "/home/anna/.config", "/usr/local/bin/retini"},
      {"./retime", "/home/anna/.config", "./retini"},
      {"retime", "", "retini"},
      {"abc", "", "ini"},
      {"", "", "ini"},
      // Short names keep the settings in the program's folder.
      {"/t/p6/rt", "/cfg", "/t/p6/ini"},
      {"/t/p6/abc", "", "/t/p6/ini"},
      {"p6/", "/cfg", "p6/ini"},
  };
  for (const PathCase& c : cases)
    EXPECT_EQ(settings_path_for(c.argument0, c.config_folder), c.expected) << c.argument0;
  const std::string in_config = "/home/anna/.config" + kSep + "retime" + kSep + "retime.ini";
  EXPECT_EQ(settings_path_for("retime", "/home/anna/.config"), in_config);
  EXPECT_EQ(settings_path_for("rt", "/cfg"), "/cfg" + kSep + "retime" + kSep + "retime.ini");
  // "\\" is a separator on Windows only: elsewhere "bin\\retime" is a bare
  // name, as a program found on PATH under that name would get.
  EXPECT_EQ(settings_path_for("bin\\retime", "/home/anna/.config"), kBackslashSeparates ? "bin\\retini" : in_config);
  EXPECT_EQ(settings_path_for("p/x\\y/retime", ""), "p/x\\y/retini");
}

// A program named so that the settings file or its temporary file would be
// the program itself keeps them in the user's folder, or has none.
TEST(SettingsPath, NeverTheProgramsOwnFile) {
  const std::string in_config = "/cfg" + kSep + "retime" + kSep + "retime.ini";
  for (const char* program : {"/usr/bin/mini", "/usr/bin/retime.tmp", "./ini", "/x/tmp"}) {
    EXPECT_EQ(settings_path_for(program, "/cfg"), in_config) << program;
    EXPECT_EQ(settings_path_for(program, ""), "") << program;
  }
}

// A program whose argument 0 cannot be given as bytes keeps its settings
// in a folder of the user's; without one it has no settings file.
TEST(SettingsPath, InTheRetimeFolderOfAFolderOfTheUsers) {
  const std::string in_folder = kSep + "retime" + kSep + "retime.ini";
  const std::string cases[][2] = {
      {"C:\\Users\\anna\\AppData\\Roaming", "C:\\Users\\anna\\AppData\\Roaming" + in_folder},
      {"C:\\Users\\LUKASZ~1\\AppData\\Roaming", "C:\\Users\\LUKASZ~1\\AppData\\Roaming" + in_folder},
      {"/home/anna/.config", "/home/anna/.config" + in_folder},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(settings_path_in(c[0]), c[1]) << c[0];
}

TEST(SettingsPath, LastThreeCharactersReplacedWhateverTheyAre) {
  const char* cases[][3] = {
      {"/home/anna/.config\\retime\\retime.ini", "tmp", "/home/anna/.config\\retime\\retime.tmp"},
      {"C:\\Tools\\retime.exe", "ini", "C:\\Tools\\retime.ini"},
      {"retime", "tmp", "rettmp"},
      {"ab", "tmp", "tmp"},
      // Within the last component only: never the folder's name.
      {"/t/p6/rt", "ini", "/t/p6/ini"},
      {"/t/p6/rt", "tmp", "/t/p6/tmp"},
      {"/t/p6/abc", "tmp", "/t/p6/tmp"},
      {"/t/p6/abcd", "tmp", "/t/p6/atmp"},
      {"/", "ini", "/ini"},
  };
  for (const auto& c : cases) EXPECT_EQ(with_last_three_replaced(c[0], c[1]), c[2]) << c[0];
  // "C:\\p6\\rt": a folder and a short name where "\\" separates, one
  // name elsewhere.
  EXPECT_EQ(with_last_three_replaced("C:\\p6\\rt", "ini"), kBackslashSeparates ? "C:\\p6\\ini" : "C:\\p6ini");
}

}  // namespace
}  // namespace rt
