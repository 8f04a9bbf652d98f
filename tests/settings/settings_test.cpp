#include "settings/settings.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/text/temp_directory.h"
#include "text/files.h"
#include "text/filesystem.h"

namespace rt {
namespace {

using namespace std::string_literals;

// A scratch folder holding the settings file "retime.ini"; the temporary
// file of each rewrite goes beside it as "retime.tmp".
class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = std::make_unique<TempDirectory>();
    folder_ = scratch_->path();
    path_ = folder_ + "/retime.ini";
    temporary_ = folder_ + "/retime.tmp";
  }
  void TearDown() override {
    scratch_.reset();
    EXPECT_EQ(free_file_number(), 1) << "a settings operation left a file open";
  }

  void store(const std::string& bytes) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  std::string stored() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  int write(const std::string& key, const std::string& value) {
    return write_setting_through(path_, key, value, temporary_);
  }
  bool temporary_left() const { return std::filesystem::exists(temporary_); }

  std::unique_ptr<TempDirectory> scratch_;
  std::string folder_;
  std::string path_;
  std::string temporary_;
};

TEST_F(SettingsFile, FirstRunLeavesFourLinesEachEndedByCrLf) {
  store("");  // the run creates the file empty, then stores the defaults
  EXPECT_EQ(write("texterweiterung", ".txt"), kSettingWritten);
  EXPECT_EQ(write("ausgabeerweiterung", ".src"), kSettingWritten);
  EXPECT_EQ(write("verzeichnis", "C:\\subs"), kSettingWritten);

  EXPECT_EQ(stored(), "\r\ntexterweiterung=.txt\r\nausgabeerweiterung=.src\r\nverzeichnis=C:\\subs\r\n");
  EXPECT_EQ(read_setting(path_, "texterweiterung"), ".txt");
  EXPECT_EQ(read_setting(path_, "ausgabeerweiterung"), ".src");
  EXPECT_EQ(read_setting(path_, "verzeichnis"), "C:\\subs");
  EXPECT_FALSE(temporary_left());
}

// A first run makes the file in one step, holding exactly what the two
// rewrites of an empty file give, and never replaces a file that is there.
TEST_F(SettingsFile, FirstRunFileIsMadeWholeAsTheTwoRewritesWouldLeaveIt) {
  const std::vector<Setting> defaults = {{"texterweiterung", ".txt"}, {"ausgabeerweiterung", ".src"}};
  store("");
  ASSERT_EQ(write("texterweiterung", ".txt"), kSettingWritten);
  ASSERT_EQ(write("ausgabeerweiterung", ".src"), kSettingWritten);
  const std::string two_steps = stored();
  std::filesystem::remove(path_);

  EXPECT_EQ(create_settings_file_through(path_, defaults, temporary_), kSettingWritten);
  EXPECT_EQ(stored(), two_steps);
  EXPECT_FALSE(temporary_left());

  store("");  // there already, even empty: left as it is
  EXPECT_EQ(create_settings_file_through(path_, defaults, temporary_), kSettingNotWritten);
  EXPECT_EQ(stored(), "");
  EXPECT_FALSE(temporary_left());
}

TEST_F(SettingsFile, LaterRunReplacesTheDirectoryInPlace) {
  store("\r\ntexterweiterung=.txt\r\nausgabeerweiterung=.src\r\nverzeichnis=C:\\subs\r\n");
  EXPECT_EQ(write("verzeichnis", "D:\\filme"), kSettingWritten);
  EXPECT_EQ(write("ausgabeerweiterung", ".srt"), kSettingWritten);
  EXPECT_EQ(stored(), "\r\ntexterweiterung=.txt\r\nausgabeerweiterung=.srt\r\nverzeichnis=D:\\filme\r\n");
  EXPECT_FALSE(temporary_left());
}

struct ReadCase {
  const char* description;
  std::string content;
  std::string key;
  std::string value;
  // Whether the file holds a setting line of the key: find_setting gives
  // its value, empty or not, and nothing otherwise (a caller's default
  // then stands in).
  bool found = true;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.description; }

class ReadSetting : public SettingsFile, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadSetting, ReturnsTheValueOfTheFirstSettingLine) {
  store(GetParam().content);
  EXPECT_EQ(read_setting(path_, GetParam().key), GetParam().value);
  EXPECT_EQ(find_setting(path_, GetParam().key),
            GetParam().found ? std::optional<std::string>(GetParam().value) : std::nullopt);
  EXPECT_EQ(stored(), GetParam().content) << "reading never changes the file";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadSetting,
    ::testing::Values(
        ReadCase{"plain", "verzeichnis=C:\\subs\r\n", "verzeichnis", "C:\\subs"},
        ReadCase{"after other lines", "\r\nfoo=1\r\nverzeichnis=x\r\n", "verzeichnis", "x"},
        ReadCase{"key differing in case", "Verzeichnis=C:\\subs\r\n", "verzeichnis", "", false},
        ReadCase{"blank before =", "verzeichnis =C:\\subs\r\n", "verzeichnis", "", false},
        ReadCase{"blank before the key", " verzeichnis=C:\\subs\r\n", "verzeichnis", "", false},
        ReadCase{"longer key", "verzeichnisse=C:\\alt\r\n", "verzeichnis", "", false},
        ReadCase{"longer key before the real one", "verzeichnisse=C:\\alt\r\nverzeichnis=C:\\neu\r\n",
                 "verzeichnis", "C:\\neu"},
        ReadCase{"key alone without =", "verzeichnis\r\n", "verzeichnis", "", false},
        ReadCase{"value holding =", "verzeichnis=a=b==c\r\n", "verzeichnis", "a=b==c"},
        ReadCase{"trailing blanks kept", "verzeichnis=C:\\subs  \r\n", "verzeichnis", "C:\\subs  "},
        ReadCase{"leading blanks kept", "verzeichnis=  x\r\n", "verzeichnis", "  x"},
        ReadCase{"empty value", "verzeichnis=\r\nverzeichnis=spaeter\r\n", "verzeichnis", ""},
        ReadCase{"first of two setting lines", "verzeichnis=erst\r\nverzeichnis=zweit\r\n", "verzeichnis", "erst"},
        ReadCase{"last line without line end", "a=1\r\nverzeichnis=ende", "verzeichnis", "ende"},
        ReadCase{"LF-only lines", "a=1\nverzeichnis=lf\n", "verzeichnis", "lf"},
        ReadCase{"missing key", "a=1\r\nb=2\r\n", "verzeichnis", "", false},
        ReadCase{"empty file", "", "verzeichnis", "", false},
        ReadCase{"bytes above 0x7F pass unchanged", "verzeichnis=C:\\M\xFCll\r\n", "verzeichnis", "C:\\M\xFCll"}));

TEST_F(SettingsFile, ReadingAMissingFileGivesEmptyText) {
  EXPECT_EQ(read_setting(path_, "verzeichnis"), "");
  EXPECT_EQ(find_setting(path_, "verzeichnis"), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(path_));
}

struct WriteCase {
  const char* description;
  std::string before;
  std::string key;
  std::string value;
  std::string after;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.description; }

class WriteSetting : public SettingsFile, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteSetting, RewritesTheFile) {
  const WriteCase& c = GetParam();
  store(c.before);
  EXPECT_EQ(write(c.key, c.value), kSettingWritten);
  EXPECT_EQ(stored(), c.after);
  EXPECT_FALSE(temporary_left());
  EXPECT_EQ(read_setting(path_, c.key), c.value) << "a written value reads back";

  // Stored again, the same setting changes no byte: the file is left as it
  // is rather than replaced by a copy, which would carry a new time.
  std::filesystem::last_write_time(path_, std::filesystem::last_write_time(path_) - std::chrono::hours(24));
  const auto untouched = std::filesystem::last_write_time(path_);
  EXPECT_EQ(write(c.key, c.value), kSettingWritten);
  EXPECT_EQ(std::filesystem::last_write_time(path_), untouched);
  EXPECT_EQ(stored(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteSetting,
    ::testing::Values(
        WriteCase{"empty file becomes an empty line and the setting", "", "k", "v", "\r\nk=v\r\n"},
        WriteCase{"replaced in place", "a=1\r\nk=alt\r\nb=2\r\n", "k", "neu", "a=1\r\nk=neu\r\nb=2\r\n"},
        WriteCase{"key differing in case is kept, new line appended", "Verzeichnis=alt\r\n", "verzeichnis", "neu",
                  "Verzeichnis=alt\r\nverzeichnis=neu\r\n"},
        WriteCase{"blank before = is kept", "verzeichnis =alt\r\n", "verzeichnis", "neu",
                  "verzeichnis =alt\r\nverzeichnis=neu\r\n"},
        WriteCase{"blank before the key is kept", " verzeichnis=alt\r\n", "verzeichnis", "neu",
                  " verzeichnis=alt\r\nverzeichnis=neu\r\n"},
        WriteCase{"longer key is kept", "verzeichnisse=alt\r\n", "verzeichnis", "neu",
                  "verzeichnisse=alt\r\nverzeichnis=neu\r\n"},
        WriteCase{"value holding = written whole", "k=1\r\n", "k", "a=b", "k=a=b\r\n"},
        WriteCase{"trailing blanks written", "", "k", "x  ", "\r\nk=x  \r\n"},
        WriteCase{"empty value", "k=alt\r\n", "k", "", "k=\r\n"},
        WriteCase{"both setting lines of a key replaced", "k=1\r\nx=0\r\nk=2\r\n", "k", "3",
                  "k=3\r\nx=0\r\nk=3\r\n"},
        WriteCase{"last line without line end gets CR LF", "a=1\r\nb=2", "k", "v", "a=1\r\nb=2\r\nk=v\r\n"},
        WriteCase{"LF-only lines rewritten with CR LF", "a=1\nk=alt\nb=2\n", "k", "neu",
                  "a=1\r\nk=neu\r\nb=2\r\n"},
        WriteCase{"empty lines and free text copied", "\r\n# Kommentar\r\n\r\nk=1\r\n", "k", "2",
                  "\r\n# Kommentar\r\n\r\nk=2\r\n"},
        WriteCase{"empty first line does not multiply", "\r\nk=1\r\n", "k", "2", "\r\nk=2\r\n"},
        WriteCase{"NUL and high bytes in the value", "", "k", std::string("a\0\xFF", 3),
                  std::string("\r\nk=a\0\xFF\r\n", 9)}));

// A line break would make two lines of the setting, and 0x1A would end the
// file for every reader: such a value (or key) is never stored.
TEST_F(SettingsFile, ValueThatWouldNotStayOneLineIsNotStored) {
  const std::string old = "a=1\r\nverzeichnis=alt\r\n";
  for (const std::string& value : {"/home/a\nb"s, "C:\\a\rb"s, "\r\n"s, "x\x1Ay"s, "ende\r"s}) {
    store(old);
    EXPECT_EQ(write("verzeichnis", value), kSettingNotWritten);
    EXPECT_EQ(write("verz\neichnis", "neu"), kSettingNotWritten);
    EXPECT_EQ(stored(), old);
    EXPECT_FALSE(temporary_left());
  }
}

// The temporary file is the lock of a rewrite. While another run holds it,
// a rewrite waits briefly, then gives up and leaves both files alone; a
// leftover of a killed run (held by nobody) is taken over.
TEST_F(SettingsFile, RewritesTakeTurnsAndTakeOverALeftover) {
  const std::string old = "verzeichnis=alt\r\n";
  store(old);
  SaveRules rules;  // as another run's rewrite holds it
  const int held = 7;
  ASSERT_EQ(open_save(path_, held, temporary_, rules), 0);
  write_line(held, "verzeichnis=von einem anderen Lauf");
  EXPECT_EQ(write("verzeichnis", "neu"), kSettingNotWritten);
  EXPECT_EQ(stored(), old);
  EXPECT_TRUE(close_output(held));
  EXPECT_EQ(stored(), "verzeichnis=von einem anderen Lauf\r\n");

  std::ofstream(temporary_) << "halb geschrieben";  // left by a killed run
  EXPECT_EQ(write("verzeichnis", "neu"), kSettingWritten);
  EXPECT_EQ(stored(), "verzeichnis=neu\r\n");
  EXPECT_FALSE(temporary_left());
}

TEST_F(SettingsFile, WritingToAMissingFileFailsAndCreatesNothing) {
  EXPECT_EQ(write("verzeichnis", "x"), kSettingNotWritten);
  EXPECT_FALSE(std::filesystem::exists(path_));
  EXPECT_FALSE(temporary_left());
}

TEST_F(SettingsFile, TemporaryFileThatCannotBeMadeLeavesTheOldFile) {
  const std::string old = "a=1\r\nverzeichnis=alt\r\n";
  store(old);
  EXPECT_EQ(write_setting_through(path_, "verzeichnis", "neu", folder_ + "/missing/retime.tmp"),
            kSettingNotWritten);
  EXPECT_EQ(stored(), old);
  EXPECT_FALSE(std::filesystem::exists(folder_ + "/missing"));
}

TEST_F(SettingsFile, TemporaryPathEqualToTheSettingsPathIsRefused) {
  const std::string old = "verzeichnis=alt\r\n";
  store(old);
  EXPECT_EQ(write_setting_through(path_, "verzeichnis", "neu", path_), kSettingNotWritten);
  EXPECT_EQ(stored(), old);
}

TEST_F(SettingsFile, FailedReplacementKeepsTheOldFileAndRemovesTheTemporaryFile) {
  // A temporary file on another file system cannot be renamed over the
  // settings file, which is what the replacement relies on.
  const std::string other_folder = "/dev/shm";
  struct stat here {}, there {};
  if (::stat(folder_.c_str(), &here) != 0 || ::stat(other_folder.c_str(), &there) != 0 ||
      here.st_dev == there.st_dev) {
    GTEST_SKIP() << "needs " << other_folder << " on a file system of its own";
  }
  const std::string temporary = other_folder + "/retime-settings-test-" + std::to_string(::getpid()) + ".tmp";
  const std::string old = "a=1\r\nverzeichnis=alt\r\n";
  store(old);

  EXPECT_EQ(write_setting_through(path_, "verzeichnis", "neu", temporary), kSettingNotReplaced);

  EXPECT_EQ(stored(), old);
  EXPECT_FALSE(std::filesystem::exists(temporary));
}

TEST_F(SettingsFile, FilesKeptOpenByTheCallerAreNotTouched) {
  store("k=1\r\n");
  const std::string other = folder_ + "/other.txt";
  std::ofstream(other) << "frei\n";
  ASSERT_EQ(open_input(other, 1), 0);
  ASSERT_EQ(open_input(other, 3), 0);

  EXPECT_EQ(write("k", "2"), kSettingWritten);  // takes numbers 2 and 4
  EXPECT_EQ(read_setting(path_, "k"), "2");

  std::string line;
  read_line(1, line);
  EXPECT_EQ(line, "frei");
  read_line(3, line);
  EXPECT_EQ(line, "frei");
  EXPECT_EQ(free_file_number(), 2);
  close_file(1);
  close_file(3);
}

TEST_F(SettingsFile, WriteSettingRewritesThroughTheFileBesideArgumentZero) {
  store("k=1\r\n");
  EXPECT_EQ(write_setting(path_, "k", "2"), kSettingWritten);
  EXPECT_EQ(stored(), "k=2\r\n");
  EXPECT_FALSE(std::filesystem::exists(temporary_settings_path()));
}

TEST(TemporarySettingsPath, ReplacesTheLastThreeCharactersOfArgumentZero) {
  const std::string program = executable_path().value_or("");
  ASSERT_GT(program.size(), 3u);
  EXPECT_EQ(temporary_settings_path(), program.substr(0, program.size() - 3) + "tmp");
}

}  // namespace
}  // namespace rt
