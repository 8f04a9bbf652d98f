#include "settings/settings_path.h"

#include <gtest/gtest.h>

namespace rt {
namespace {

struct PathCase {
  const char* argument0;
  const char* config_folder;
  const char* expected;
};

TEST(SettingsPath, ByPathBesideArgumentZeroByBareNameInTheConfigFolder) {
  const PathCase cases[] = {
      {"C:\\Tools\\retime.exe", "", "C:\\Tools\\retime.ini"},
      {"/usr/local/bin/retime", "/home/anna/.config", "/usr/local/bin/retini"},
      {"./retime", "/home/anna/.config", "./retini"},
      {"bin\\retime", "/home/anna/.config", "bin\\retini"},
      {"retime", "", "retini"},
      {"abc", "", "ini"},
      {"", "", "ini"},
      {"retime", "/home/anna/.config", "/home/anna/.config\\retime\\retime.ini"},
      {"rt", "/cfg", "/cfg\\retime\\retime.ini"},
  };
  for (const PathCase& c : cases)
    EXPECT_EQ(settings_path_for(c.argument0, c.config_folder), c.expected) << c.argument0;
}

// A program whose argument 0 cannot be given as bytes keeps its settings
// in a folder of the user's; without one it has no settings file.
TEST(SettingsPath, InTheRetimeFolderOfAFolderOfTheUsers) {
  const char* cases[][2] = {
      {"C:\\Users\\anna\\AppData\\Roaming", "C:\\Users\\anna\\AppData\\Roaming\\retime\\retime.ini"},
      {"C:\\Users\\LUKASZ~1\\AppData\\Roaming", "C:\\Users\\LUKASZ~1\\AppData\\Roaming\\retime\\retime.ini"},
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
  };
  for (const auto& c : cases) EXPECT_EQ(with_last_three_replaced(c[0], c[1]), c[2]) << c[0];
}

}  // namespace
}  // namespace rt
