#include "text/filesystem.h"

#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "tests/text/temp_directory.h"

extern char** environ;

namespace rt {
namespace {

using namespace std::string_literals;

// Started with RETIME_TEST_PROBE in its environment, the test binary only
// reports what the process functions see and ends at once: the tests below
// start it that way to choose its argument 0 and the path it runs from.
[[maybe_unused]] const bool probe_mode = [] {
  if (std::getenv("RETIME_TEST_PROBE") == nullptr) return false;
  std::string report = executable_path().value_or("<none>") + "\n" + program_directory() + "\n";
  ssize_t written = ::write(1, report.data(), report.size());
  ::_exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1);
}();

// Runs program in probe mode with the given argument 0; its report.
std::string probe(const std::string& program, std::string argument0) {
  int out[2];
  if (::pipe(out) != 0) return "<no pipe>";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  std::vector<char*> env;
  for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
  std::string flag = "RETIME_TEST_PROBE=1";
  env.push_back(&flag[0]);
  env.push_back(nullptr);
  char* argv[] = {&argument0[0], nullptr};
  pid_t pid = 0;
  int failed = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, env.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string report;
  char block[4096];
  ssize_t n;
  while ((n = ::read(out[0], block, sizeof block)) > 0) {
    report.append(block, static_cast<std::size_t>(n));
  }
  ::close(out[0]);
  if (failed != 0) return "<not started>";
  int status = 0;
  ::waitpid(pid, &status, 0);
  return report;
}

constexpr uid_t kNobody = 65534;

std::string real_path(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? resolved : "<unresolved>";
}

std::string directory_part(const std::string& path) {
  return path.substr(0, path.rfind('/'));
}

// make_present is a hint: the bytes it is given, and their neighbours on
// the same pages, keep their values (a wrong advice would drop the pages).
TEST(MakePresent, LeavesEveryByteAsItWas) {
  std::vector<char> bytes(5 * 4096 + 123);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 1);
  const std::vector<char> before = bytes;
  make_present(bytes.data() + 1, bytes.size() - 2);
  make_present(bytes.data() + 5, 10);
  make_present(bytes.data(), 0);
  EXPECT_TRUE(bytes == before);
}

TEST(ProcessPaths, ExecutablePathIsArgumentZeroAsReceived) {
  EXPECT_EQ(executable_path(), std::optional<std::string>(::testing::internal::GetArgvs().at(0)));
}

TEST(ProcessPaths, ProgramDirectoryHoldsTheRunningBinary) {
  std::string binary = real_path(::testing::internal::GetArgvs().at(0));
  EXPECT_EQ(program_directory(), directory_part(binary));
}

TEST(ProcessPaths, BareNameAndLinkedStartAreReportedAsTheSystemSees) {
  std::string binary = real_path(::testing::internal::GetArgvs().at(0));
  TempDirectory dir;
  // Started through a link in another folder, by a bare name: argument 0 is
  // that name, and the program's directory is that of its real file.
  std::string link = dir / "retime";
  ASSERT_EQ(::symlink(binary.c_str(), link.c_str()), 0);
  EXPECT_EQ(probe(link, "retime"), "retime\n" + directory_part(binary) + "\n");
  EXPECT_EQ(probe(link, "my prog"), "my prog\n" + directory_part(binary) + "\n");
  EXPECT_EQ(probe(link, ""), "\n" + directory_part(binary) + "\n");
}

// A directory with one entry of every kind the listing must tell apart.
class DirectoryWithEveryKind : public ::testing::Test {
 protected:
  void SetUp() override {
    write_bytes(dir / "a.txt", "a");
    write_bytes(dir / "noext", "n");
    write_bytes(dir / ".hidden", "h");
    write_bytes(dir / "ro.txt", "r");
    ASSERT_EQ(::chmod((dir / "ro.txt").c_str(), 0444), 0);
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
    write_bytes(dir / "sub/inner.txt", "i");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    ASSERT_EQ(::symlink((dir / "gone").c_str(), (dir / "dangling").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "a.txt").c_str(), (dir / "link.txt").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "sub").c_str(), (dir / "dirlink").c_str()), 0);
    // A link of another user is never listed: it is followed by nobody but
    // that user.
    if (::geteuid() == 0) {
      ASSERT_EQ(::symlink((dir / "a.txt").c_str(), (dir / "foreign.txt").c_str()), 0);
      ASSERT_EQ(::lchown((dir / "foreign.txt").c_str(), kNobody, kNobody), 0);
    }
    sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    std::string socket_path = dir / "sock";
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socket_path.size(), sizeof address.sun_path);
    socket_path.copy(address.sun_path, socket_path.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  }
  void TearDown() override {
    if (sock >= 0) ::close(sock);
  }

  TempDirectory dir;
  int sock = -1;
};

// Every name of a listing, sorted. The continuing calls pass a mask that
// would admit nothing, since only the starting call's mask may count.
std::vector<std::string> listing(const std::string& pattern, std::uint32_t mask) {
  std::vector<std::string> names;
  for (std::string name = list_directory(pattern, mask); !name.empty() && names.size() < 1000;
       name = list_directory("", kAttributeDirectory)) {
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

using Names = std::vector<std::string>;

struct MaskCase {
  std::uint32_t mask;
  Names expected;
};

TEST_F(DirectoryWithEveryKind, ListsOnlyRegularFilesTheMaskAdmits) {
  const MaskCase cases[] = {
      {kMaskAllButDirectories, {".hidden", "a.txt", "link.txt", "noext", "ro.txt"}},
      {0xFFFFFFFFu, {".hidden", "a.txt", "link.txt", "noext", "ro.txt"}},
      {0, {"a.txt", "link.txt", "noext"}},
      {kAttributeHidden, {".hidden", "a.txt", "link.txt", "noext"}},
      {kAttributeReadOnly, {"a.txt", "link.txt", "noext", "ro.txt"}},
      // With the directory bit the archive bit is not added, and every file
      // carries it.
      {kAttributeDirectory, {}},
      {kAttributeDirectory | kAttributeArchive, {"a.txt", "link.txt", "noext"}},
  };
  for (const MaskCase& c : cases) {
    EXPECT_EQ(listing(dir.path() + "/*.*", c.mask), c.expected) << std::hex << c.mask;
  }
}

TEST_F(DirectoryWithEveryKind, PatternFormsSelectNames) {
  const std::uint32_t all = kMaskAllButDirectories;
  EXPECT_EQ(listing(dir.path() + "/*", all),
            (Names{".hidden", "a.txt", "link.txt", "noext", "ro.txt"}));
  EXPECT_EQ(listing(dir.path() + "/*.*", all),
            (Names{".hidden", "a.txt", "link.txt", "noext", "ro.txt"}));
  // "\\" separates nothing here: "DIR\\*.*" is a pattern in DIR's parent.
  EXPECT_EQ(listing(dir.path() + "\\*.*", all), Names{});
  EXPECT_EQ(listing(dir.path() + "/*.txt", all), (Names{"a.txt", "link.txt", "ro.txt"}));
  EXPECT_EQ(listing(dir.path() + "/?oext", all), (Names{"noext"}));
  EXPECT_EQ(listing(dir.path() + "/a.txt", all), (Names{"a.txt"}));
  EXPECT_EQ(listing(dir.path() + "/", all), Names{});
  EXPECT_EQ(listing(dir.path() + "/sub/*.*", all), (Names{"inner.txt"}));
  EXPECT_EQ(listing(dir.path() + "/a.txt/*.*", all), Names{});
}

TEST_F(DirectoryWithEveryKind, NewPatternRestartsAndEndedListingStaysEnded) {
  const std::uint32_t all = kMaskAllButDirectories;
  std::string first = list_directory(dir.path() + "/*.*", all);
  EXPECT_FALSE(first.empty());
  // A new pattern drops the listing in progress and starts from the top.
  EXPECT_EQ(listing(dir.path() + "/*.*", all).size(), 5u);
  EXPECT_EQ(list_directory("", all), "");
  EXPECT_EQ(list_directory("", all), "");

  // A missing directory gives "" at once and ends the listing in progress.
  EXPECT_FALSE(list_directory(dir.path() + "/*.*", all).empty());
  EXPECT_EQ(list_directory(dir.path() + "/missing/*.*", all), "");
  EXPECT_EQ(list_directory("", all), "");
  EXPECT_EQ(list_directory("", all), "");
}

TEST(ListDirectory, NamesHoldingABackslashAreListedAndOddBytesKept) {
  // Only "/" separates here: "..\\up.srt" is a name in this directory like
  // any other, never "up.srt" in the parent, and "a\\b.txt" never "b.txt"
  // in a folder "a".
  TempDirectory dir;
  const Names odd_but_addressable = {
      " lead", "-dash.srt", "with blank.txt", "umlaut\xE4\xF6\xFC.txt", "x\x01\x7F\xFF",
      "..\\up.srt", "a\\b.txt", "\\", "trailing\\", "\\lead.txt"};
  for (const std::string& name : odd_but_addressable) write_bytes(dir / name, "x");
  ASSERT_EQ(::mkdir((dir / "a").c_str(), 0755), 0);
  write_bytes(dir / "a/b.txt", "inner");

  Names expected = odd_but_addressable;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listing(dir.path() + "/*.*", kMaskAllButDirectories), expected);
  EXPECT_EQ(listing(dir.path() + "/*", kMaskAllButDirectories), expected);
  EXPECT_EQ(read_bytes(dir / "a/b.txt"), "inner");
}

TEST(FileExists, OnlyReadableRegularFiles) {
  TempDirectory dir;
  write_bytes(dir / "file.txt", "x");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  ASSERT_EQ(::symlink((dir / "file.txt").c_str(), (dir / "link").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "gone").c_str(), (dir / "dangling").c_str()), 0);
  EXPECT_TRUE(file_exists(dir / "file.txt"));
  EXPECT_FALSE(file_exists(dir.path() + "\\file.txt")) << "a name beside dir, not dir's file.txt";
  EXPECT_TRUE(file_exists(dir / "link"));
  EXPECT_FALSE(file_exists(dir / "missing.txt"));
  EXPECT_FALSE(file_exists(dir.path()));
  EXPECT_FALSE(file_exists(dir / "fifo"));  // and it must not block
  EXPECT_FALSE(file_exists(dir / "dangling"));
  EXPECT_FALSE(file_exists("/dev/null"));
  EXPECT_FALSE(file_exists(dir.path() + "/file.txt\0junk"s));
  // A link of another user counts as no file, and leads nowhere.
  if (::geteuid() == 0) {
    ASSERT_EQ(::symlink((dir / "file.txt").c_str(), (dir / "foreign").c_str()), 0);
    ASSERT_EQ(::lchown((dir / "foreign").c_str(), kNobody, kNobody), 0);
    EXPECT_FALSE(file_exists(dir / "foreign"));
    EXPECT_EQ(final_file(dir / "foreign"), std::nullopt);
  }
  EXPECT_EQ(final_file(dir / "link"), real_path(dir / "file.txt"));
}

TEST(RemoveFile, DeletesAndReportsFailure) {
  TempDirectory dir;
  write_bytes(dir / "f.txt", "x");
  EXPECT_TRUE(remove_file(dir.path() + "/f.txt"));
  EXPECT_EQ(read_bytes(dir / "f.txt"), "<missing>");
  EXPECT_FALSE(remove_file(dir / "f.txt"));
  ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
  EXPECT_FALSE(remove_file(dir / "sub"));
}

TEST(MakeDirectory, CreatesOneLevelAndLeavesExistingThingsAlone) {
  TempDirectory dir;
  struct stat st;
  make_directory(dir.path() + "/untertitel", false);
  ASSERT_EQ(::stat((dir / "untertitel").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));

  write_bytes(dir / "untertitel/kept.src", "kept");
  make_directory(dir.path() + "/untertitel", false);
  EXPECT_EQ(read_bytes(dir / "untertitel/kept.src"), "kept");

  make_directory(dir.path() + "/missing/untertitel", false);
  EXPECT_NE(::stat((dir / "missing").c_str(), &st), 0);

  write_bytes(dir / "plain", "a file");
  make_directory(dir / "plain", false);
  EXPECT_EQ(read_bytes(dir / "plain"), "a file");
}

}  // namespace
}  // namespace rt
