// Issue 13: a settings file its user cannot read, or protected from
// writing, keeps its bytes and its mode. Root may read and write whatever it
// likes, so each case runs in a forked child that has become the ordinary
// user nobody (uid and gid 65534), the owner of the folder and the file.
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

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
  if (!file_exists(settings) && create_empty_file(settings)) ::_exit(10);  // it was made anew
  const int written = write_setting_through(settings, "verzeichnis", "/new", temporary);
  ::_exit(written == setting_written ? 11 : 0);
}

class ProtectedSettings : public ::testing::TestWithParam<mode_t> {};

TEST_P(ProtectedSettings, KeepBytesAndMode) {
  const mode_t mode = GetParam();
  TempDirectory dir;
  prepare(dir, mode);
  const test_support::ChildRun run = test_support::run_in_child(
      [&] { use_settings_as_a_run_does(dir / "retini", dir / "rettmp"); }, become_nobody);
  if (run.unprepared) GTEST_SKIP() << "cannot become an ordinary user";
  EXPECT_TRUE(run.exited_normally()) << run.how_it_ended();
  EXPECT_EQ(read_bytes(dir / "retini"), kStored);
  EXPECT_EQ(mode_of(dir / "retini"), mode);
  EXPECT_EQ(read_bytes(dir / "rettmp"), "<missing>");
}

INSTANTIATE_TEST_SUITE_P(WriteOnlyAndReadOnly, ProtectedSettings, ::testing::Values(0200, 0444));

}  // namespace
}  // namespace rt
