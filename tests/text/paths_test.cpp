// The pure path and listing rules, as tables: the same on every platform.
#include "text/paths.h"

#include <gtest/gtest.h>

#include <string>

#include "text/filesystem.h"

namespace rt {
namespace {

using namespace std::string_literals;

TEST(ProcessPaths, DirectoryOfCutsBeforeTheLastSlash) {
  EXPECT_EQ(directory_of("/usr/local/bin/retime", '/'), "/usr/local/bin");
  EXPECT_EQ(directory_of("/retime", '/'), "/");
  EXPECT_EQ(directory_of("retime", '/'), "");
  EXPECT_EQ(directory_of("bin/retime", '/'), "bin");
}

TEST(ProcessPaths, DirectoryOfAWindowsPathKeepsTheDriveRoot) {
  EXPECT_EQ(directory_of("C:\\Tools\\retime.exe", '\\'), "C:\\Tools");
  EXPECT_EQ(directory_of("C:\\retime.exe", '\\'), "C:\\");
  EXPECT_EQ(directory_of("z:\\retime.exe", '\\'), "z:\\");
  EXPECT_EQ(directory_of("retime.exe", '\\'), "");
  EXPECT_EQ(directory_of("\\\\server\\share\\retime.exe", '\\'), "\\\\server\\share");
}

TEST(ProcessPaths, ArgumentZeroTakesTheQuotesOfTheFirstWordAsTheCRuntimeDoes) {
  const struct {
    const char* command_line;
    const char* path;
  } cases[] = {
      {"retime.exe", "retime.exe"},
      {"retime a b", "retime"},
      {"retime\tx", "retime"},
      {"\"C:\\Program Files\\retime\\retime.exe\" x", "C:\\Program Files\\retime\\retime.exe"},
      {"C:\\\"Program Files\"\\retime.exe --help", "C:\\Program Files\\retime.exe"},
      {"\"C:\\a b\\retime\".exe x", "C:\\a b\\retime.exe"},
      {"\"C:\\an unfinished quote", "C:\\an unfinished quote"},
      {"a\\\"b c\" d", "a\\b c"},
      {"\"\" x", ""},
      {" retime", ""},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(program_path_of_command_line(c.command_line), c.path) << c.command_line;
}

TEST(NativePath, BackslashesBecomeSlashesAndNulIsRefused) {
  EXPECT_EQ(with_slashes("C\\subs\\film1.srt").value_or("?"), "C/subs/film1.srt");
  EXPECT_EQ(with_slashes("/a\\b/c").value_or("?"), "/a/b/c");
  EXPECT_FALSE(with_slashes("a\0b"s).has_value());
}

TEST(NativePath, OpensTakeSlashesAsBackslashes) {
  EXPECT_EQ(with_backslashes("C:/subs\\film1.srt"), "C:\\subs\\film1.srt");
  EXPECT_EQ(with_backslashes("plain"), "plain");
}

TEST(ListingRules, EffectiveMaskAndAdmission) {
  struct Case {
    std::uint32_t mask;
    std::uint32_t effective;
  };
  const Case cases[] = {
      {0, 0xFFFFFF20u},
      {mask_all_but_directories, 0xFFFFFFEFu},
      {attribute_directory, 0xFFFFFF10u},
      {attribute_hidden, 0xFFFFFF22u},
      {0xFFFFFFFFu, 0xFFFFFFFFu},
  };
  for (const Case& c : cases) EXPECT_EQ(effective_mask(c.mask), c.effective) << std::hex << c.mask;
  EXPECT_TRUE(admitted(attribute_archive, effective_mask(0)));
  EXPECT_FALSE(admitted(attribute_archive | attribute_hidden, effective_mask(0)));
  EXPECT_TRUE(admitted(attribute_archive | 0x100u, effective_mask(0)));
  EXPECT_FALSE(admitted(attribute_archive, effective_mask(attribute_directory)));
  EXPECT_TRUE(admitted(attribute_read_only | attribute_system | attribute_archive,
                       effective_mask(mask_all_but_directories)));
}

TEST(ListingRules, WhichNamesCount) {
  for (const char* name : {"a.txt", "noext", ".hidden", "...", " lead", "x\x01\xFF"}) {
    EXPECT_TRUE(listable_name(name)) << name;
  }
  for (const char* name : {".", "..", "..\\up.srt", "a\\b.txt", "\\", "trailing\\"}) {
    EXPECT_FALSE(listable_name(name)) << name;
  }
}

TEST(OutputNames, OnlyNamesDirectlyInTheFolder) {
  for (const char* name : {"film1.src", "guten.", "...", ".src", "a b"}) {
    EXPECT_TRUE(plain_file_name(name)) << name;
  }
  for (const char* name : {"", ".", "..", "guten.\\..\\x", "a/b", "x\\", "/"}) {
    EXPECT_FALSE(plain_file_name(name)) << name;
  }
}

}  // namespace
}  // namespace rt
