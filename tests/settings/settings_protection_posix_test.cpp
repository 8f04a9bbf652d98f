// Issue 13: a settings file its user cannot read, or protected from
// writing, keeps its bytes and its mode. Root may read and write whatever it
// likes, so each case runs in a forked child that has become the ordinary
// user nobody (uid and gid 65534), the owner of the folder and the file;
// a file protected from writing is also kept when root itself runs.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "settings/settings.h"
#include "tests/driver/hostile_child.h"
#include "tests/text/temp_directory.h"
#include "text/filesystem.h"

namespace rt {
namespace {

constexpr uid_t kNobody = 65534;

const std::string kStored = "texterweiterung=.txt\r\nausgabeerweiterung=.src\r\nverzeichnis=/old\r\n";

// Lays out dir/retini with mode, both owned by nobody.
void prepare(const TempDirectory& dir, mode_t mode) {
  write_bytes(dir / "retini", kStored);
  ASSERT_EQ(::chown(dir.path().c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chown((dir / "retini").c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chmod((dir / "retini").c_str(), mode), 0);
}

bool become_nobody() {
  if (::getuid() != 0) return true;  // already an ordinary user
  return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

mode_t mode_of(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// What run_program does with the settings file: the first-run creation when
// it is not readable, the directory written, the extension read.
void use_settings_as_a_run_does(const std::string& settings, const std::string& temporary) {
  if (!file_exists(settings) &&
      create_settings_file_through(settings, {{"texterweiterung", ".txt"}}, temporary) != kSettingNotWritten) {
    ::_exit(10);  // it was made anew, or at least tried
  }
  const int written = write_setting_through(settings, "verzeichnis", "/new", temporary);
  ::_exit(written == kSettingWritten ? 11 : 0);
}

struct Protection {
  mode_t mode;
  bool as_nobody;  // else as the test's own user, root in CI
};

void PrintTo(const Protection& p, std::ostream* os) {
  *os << std::oct << p.mode << (p.as_nobody ? " as nobody" : " as the test's user");
}

class ProtectedSettings : public ::testing::TestWithParam<Protection> {};

TEST_P(ProtectedSettings, KeepBytesAndMode) {
  const mode_t mode = GetParam().mode;
  TempDirectory dir;
  prepare(dir, mode);
  const test_support::ChildRun run = test_support::run_in_child(
      [&] { use_settings_as_a_run_does(dir / "retini", dir / "rettmp"); },
      GetParam().as_nobody ? become_nobody : std::function<bool()>());
  if (run.unprepared) GTEST_SKIP() << "cannot become an ordinary user";
  EXPECT_TRUE(run.exited_normally()) << run.how_it_ended();
  EXPECT_EQ(read_bytes(dir / "retini"), kStored);
  EXPECT_EQ(mode_of(dir / "retini"), mode);
  EXPECT_EQ(read_bytes(dir / "rettmp"), "<missing>");
}

INSTANTIATE_TEST_SUITE_P(WriteOnlyAndReadOnly, ProtectedSettings,
                         ::testing::Values(Protection{0200, true}, Protection{0444, true},
                                           Protection{0444, false}));

// Issue 17: a rewrite replaces the file whole, but as the file it was: its
// mode (under any umask), its owner and group when root rewrites a user's
// file, and a symbolic link to it.
const std::string kRewritten = "texterweiterung=.txt\r\nausgabeerweiterung=.src\r\nverzeichnis=/new\r\n";

TEST(SettingsRewrite, KeepsTheModeAndTheOwnerOfAUsersFile) {
  TempDirectory dir;
  write_bytes(dir / "retini", kStored);
  ASSERT_EQ(::chmod((dir / "retini").c_str(), 0600), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown((dir / "retini").c_str(), kNobody, kNobody), 0);
  }
  const mode_t umask_before = ::umask(0);
  const int written = write_setting_through(dir / "retini", "verzeichnis", "/new", dir / "rettmp");
  ::umask(umask_before);
  EXPECT_EQ(written, kSettingWritten);
  EXPECT_EQ(read_bytes(dir / "retini"), kRewritten);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "retini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  if (root) {
    EXPECT_EQ(st.st_uid, kNobody);
    EXPECT_EQ(st.st_gid, kNobody);
  }
  EXPECT_EQ(read_bytes(dir / "rettmp"), "<missing>");
}

TEST(SettingsRewrite, ASymbolicLinkStaysALinkAndTheFileItLeadsToIsRewritten) {
  TempDirectory dir;
  ASSERT_EQ(::mkdir((dir / "real").c_str(), 0755), 0);
  write_bytes(dir / "real/retime.ini", kStored);
  ASSERT_EQ(::symlink("real/retime.ini", (dir / "retini").c_str()), 0);
  EXPECT_EQ(write_setting_through(dir / "retini", "verzeichnis", "/new", dir / "rettmp"), kSettingWritten);
  char target[64] = {};
  ASSERT_EQ(::readlink((dir / "retini").c_str(), target, sizeof target - 1), 15);
  EXPECT_STREQ(target, "real/retime.ini");
  EXPECT_EQ(read_bytes(dir / "real/retime.ini"), kRewritten);
  EXPECT_EQ(read_bytes(dir / "rettmp"), "<missing>");
  EXPECT_EQ(read_bytes(dir / "real/retime.tmp"), "<missing>");

  // A link of another user is not followed: the file it leads to is
  // neither read nor rewritten (it could be any file root may write).
  if (::geteuid() != 0) return;
  ASSERT_EQ(::lchown((dir / "retini").c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(read_setting(dir / "retini", "verzeichnis"), "");
  EXPECT_EQ(write_setting_through(dir / "retini", "verzeichnis", "/other", dir / "rettmp"), kSettingNotWritten);
  EXPECT_EQ(read_bytes(dir / "real/retime.ini"), kRewritten);
  EXPECT_EQ(read_bytes(dir / "rettmp"), "<missing>");
  EXPECT_EQ(read_bytes(dir / "real/retime.tmp"), "<missing>");
}

// In a folder everyone may write to (the sticky bit keeps their files
// theirs), another user plants a file under the temporary name, readable
// and writable by all. Root's rewrite never writes into it (the directory
// would be readable to that user) nor removes it; it gives up after a
// short wait, and its own file keeps its bytes and mode.
TEST(SettingsRewrite, AnotherUsersFileUnderTheTemporaryNameIsNeverWritten) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to stand for a second user";
  TempDirectory dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 01777), 0);
  write_bytes(dir / "retini", kStored);
  ASSERT_EQ(::chmod((dir / "retini").c_str(), 0600), 0);
  write_bytes(dir / "rettmp", "");
  ASSERT_EQ(::chown((dir / "rettmp").c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chmod((dir / "rettmp").c_str(), 0666), 0);

  EXPECT_EQ(write_setting_through(dir / "retini", "verzeichnis", "/geheim", dir / "rettmp"), kSettingNotWritten);

  EXPECT_EQ(read_bytes(dir / "rettmp"), "");
  struct stat st {};
  ASSERT_EQ(::lstat((dir / "rettmp").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_mode & 07777, 0666u);
  EXPECT_EQ(read_bytes(dir / "retini"), kStored);
  EXPECT_EQ(mode_of(dir / "retini"), 0600u);
}

}  // namespace
}  // namespace rt
