// The pure path and listing rules, as tables, on every platform; where a
// rule depends on the platform's separators, so does the expectation.
#include "text/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/filesystem.h"

namespace rt {
namespace {

using namespace std::string_literals;

// ASCII texts between the two widths, for the cases of the wide rules.
std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }
std::string narrow(const std::wstring& text) {
  std::string bytes;
  for (const wchar_t c : text) bytes += c < 0x80 ? static_cast<char>(c) : '?';
  return bytes;
}

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
  for (const auto& c : cases) {
    EXPECT_EQ(program_path_of_command_line(c.command_line), c.path) << c.command_line;
    // The system's own command line, in UTF-16, by the same rule.
    EXPECT_EQ(program_path_of_command_line(wide(c.command_line)), wide(c.path)) << c.command_line;
  }
}

TEST(LongPaths, OnlyAFullFormOfAtLeast248CharactersGetsTheLongForm) {
  const std::wstring folder(240, L'a');  // C:\ and 240 characters: 243
  const std::wstring long_folder(300, L'b');
  const struct {
    std::wstring given;
    std::wstring full;
    std::wstring expected;
  } cases[] = {
      // Short: as given, for the system to resolve as always.
      {L"C:\\subs\\film1.srt", L"C:\\subs\\film1.srt", L"C:\\subs\\film1.srt"},
      {L"subs\\\\untertitel", L"C:\\work\\subs\\untertitel", L"subs\\\\untertitel"},
      {L"C:\\" + folder + L"\\x.t", L"C:\\" + folder + L"\\x.t", L"C:\\" + folder + L"\\x.t"},  // 247
      {L"x", L"", L"x"},  // the system could not make a full form
      // Long: the full form with the prefix.
      {L"C:\\" + folder + L"\\x.tx", L"C:\\" + folder + L"\\x.tx", L"\\\\?\\C:\\" + folder + L"\\x.tx"},  // 248
      {L"film1.srt", L"D:\\" + long_folder + L"\\film1.srt", L"\\\\?\\D:\\" + long_folder + L"\\film1.srt"},
      {L"..\\x", L"c:/" + long_folder + L"/x", L"\\\\?\\c:\\" + long_folder + L"\\x"},
      // A folder given with a separator at its end, joined with "\untertitel".
      {L"Z:\\" + long_folder + L"\\\\untertitel", L"Z:\\" + long_folder + L"\\\\\\untertitel",
       L"\\\\?\\Z:\\" + long_folder + L"\\untertitel"},
      {L"\\\\server\\share\\" + long_folder, L"\\\\server\\share\\\\" + long_folder,
       L"\\\\?\\UNC\\server\\share\\" + long_folder},
      // Already in the long form or the device namespace: as given.
      {L"\\\\?\\C:\\" + long_folder, L"\\\\?\\C:\\" + long_folder, L"\\\\?\\C:\\" + long_folder},
      {L"\\\\.\\COM1", L"\\\\.\\COM1", L"\\\\.\\COM1"},
      // A long full form that is no full path: nothing to prefix.
      {L"x", L"x" + long_folder, L"x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(long_path_form(c.given, c.full), c.expected) << narrow(c.given) << " | " << narrow(c.full);
  }
}

TEST(LongPaths, ThePlainFormOfAFinalPath) {
  const std::wstring long_folder(300, L'b');
  const struct {
    std::wstring final_path;
    std::wstring plain;
  } cases[] = {
      {L"\\\\?\\C:\\Filme\\film1.ini", L"C:\\Filme\\film1.ini"},
      {L"\\\\?\\UNC\\server\\share\\x", L"\\\\server\\share\\x"},
      {L"\\\\?\\Volume{1}\\x", L"\\\\?\\Volume{1}\\x"},
      {L"C:\\x", L"C:\\x"},
      {L"\\\\?\\", L"\\\\?\\"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(without_long_path_prefix(c.final_path), c.plain) << narrow(c.final_path);
  // The long form of a long full path is that path again, in plain form.
  for (const std::wstring& full : {L"C:\\" + long_folder, L"\\\\server\\share\\" + long_folder}) {
    EXPECT_EQ(without_long_path_prefix(long_path_form(full, full)), full) << narrow(full);
  }
}

// Where "\\" separates (Windows) and where it is an ordinary character
// of a name (POSIX): the one rule every path rule asks.
const bool kBackslashSeparates = is_separator('\\');

TEST(NativePath, SeparatorsOfThePlatform) {
  EXPECT_TRUE(is_separator('/'));
  EXPECT_EQ(kBackslashSeparates, path_separator() == '\\');
  EXPECT_FALSE(is_separator(':'));
  EXPECT_EQ(joined_path("/t/x\\y", "untertitel"), "/t/x\\y" + std::string(1, path_separator()) + "untertitel");
  EXPECT_EQ(joined_path("", "*.*"), std::string(1, path_separator()) + "*.*");
  const struct {
    const char* path;
    const char* folder;             // where "/" alone separates
    const char* folder_backslash;   // where "\\" separates too
  } cases[] = {
      {"/t/x\\y", "/t", "/t/x"},
      {"/t/x\\y/film1.srt", "/t/x\\y", "/t/x\\y"},
      {"/film1.srt", "/", "/"},
      {"film1.srt", "", ""},
      {"x\\film1.srt", "", "x"},
      {"C:\\film1.srt", "", "C:\\"},
      {"C:/film1.srt", "C:", "C:/"},
      {"\\film1.srt", "", "\\"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(containing_folder(c.path), kBackslashSeparates ? c.folder_backslash : c.folder) << c.path;
  }
  EXPECT_EQ(last_separator("a\\b/c"), 3u);
  EXPECT_EQ(last_separator("a/b\\c"), kBackslashSeparates ? 3u : 1u);
  EXPECT_EQ(last_separator("abc"), std::string::npos);
}

TEST(NativePath, APosixPathKeepsItsBackslashesAndRefusesNul) {
  // On POSIX a "\\" is a character of a name like any other.
  EXPECT_EQ(posix_path("C\\subs\\film1.srt").value_or("?"), "C\\subs\\film1.srt");
  EXPECT_EQ(posix_path("/a\\b/c").value_or("?"), "/a\\b/c");
  EXPECT_FALSE(posix_path("a\0b"s).has_value());
}

TEST(NativePath, OpensTakeSlashesAsBackslashes) {
  // Where "\\" separates, "/" is written as "\\"; elsewhere nothing changes.
  EXPECT_EQ(with_native_separators("C:/subs\\film1.srt"),
            kBackslashSeparates ? "C:\\subs\\film1.srt" : "C:/subs\\film1.srt");
  EXPECT_EQ(with_native_separators("plain"), "plain");
}

TEST(CommandLineWords, SplitAsTheCRuntimeSplitsArgv) {
  const struct {
    const char* command_line;
    std::vector<std::string> words;
  } cases[] = {
      {"retime.exe", {"retime.exe"}},
      {"retime.exe D:\\Filme", {"retime.exe", "D:\\Filme"}},
      {"retime  \t --  x ", {"retime", "--", "x"}},
      {"\"C:\\Program Files\\retime.exe\" \"D:\\Neue Filme\\\\\"", {"C:\\Program Files\\retime.exe", "D:\\Neue Filme\\"}},
      {"r D:\\Filme\\", {"r", "D:\\Filme\\"}},
      {"r \"D:\\Filme\\\" x", {"r", "D:\\Filme\" x"}},
      {"r a\\\\\\\"b c", {"r", "a\\\"b", "c"}},
      {"r \"a\"\"b\" c", {"r", "a\"b", "c"}},
      {"r a\"b c\"d", {"r", "ab cd"}},
      {"r \"\" x", {"r", "", "x"}},
      {"\"C:\\a b\\r\".exe \\\\server\\share", {"C:\\a b\\r.exe", "\\\\server\\share"}},
      {"", {""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(command_line_words(c.command_line), c.words) << c.command_line;
    // The system's own command line, in UTF-16, by the same rules.
    std::vector<std::wstring> wide_words;
    for (const std::string& word : c.words) wide_words.push_back(wide(word));
    EXPECT_EQ(command_line_words(wide(c.command_line)), wide_words) << c.command_line;
  }
}

TEST(ListingRules, EffectiveMaskAndAdmission) {
  struct Case {
    std::uint32_t mask;
    std::uint32_t effective;
  };
  const Case cases[] = {
      {0, 0xFFFFFF20u},
      {kMaskAllButDirectories, 0xFFFFFFEFu},
      {kAttributeDirectory, 0xFFFFFF10u},
      {kAttributeHidden, 0xFFFFFF22u},
      {0xFFFFFFFFu, 0xFFFFFFFFu},
  };
  for (const Case& c : cases) EXPECT_EQ(effective_mask(c.mask), c.effective) << std::hex << c.mask;
  EXPECT_TRUE(admitted(kAttributeArchive, effective_mask(0)));
  EXPECT_FALSE(admitted(kAttributeArchive | kAttributeHidden, effective_mask(0)));
  EXPECT_TRUE(admitted(kAttributeArchive | 0x100u, effective_mask(0)));
  EXPECT_FALSE(admitted(kAttributeArchive, effective_mask(kAttributeDirectory)));
  EXPECT_TRUE(admitted(kAttributeReadOnly | kAttributeSystem | kAttributeArchive,
                       effective_mask(kMaskAllButDirectories)));
}

TEST(ListingRules, WhichNamesCount) {
  for (const char* name : {"a.txt", "noext", ".hidden", "...", " lead", "x\x01\xFF"}) {
    EXPECT_TRUE(listable_name(name)) << name;
  }
  for (const char* name : {".", ".."}) EXPECT_FALSE(listable_name(name)) << name;
  // Names with "\\": another file's path where it separates, an ordinary
  // name elsewhere.
  for (const char* name : {"..\\up.srt", "a\\b.txt", "\\", "trailing\\"}) {
    EXPECT_EQ(listable_name(name), !kBackslashSeparates) << name;
  }
}

TEST(OutputNames, OnlyNamesDirectlyInTheFolder) {
  for (const char* name : {"film1.src", "guten.", "...", ".src", "a b"}) {
    EXPECT_TRUE(plain_file_name(name)) << name;
  }
  for (const char* name : {"", ".", "..", "a/b", "/", "guten./../x"}) {
    EXPECT_FALSE(plain_file_name(name)) << name;
  }
  for (const char* name : {"guten.\\..\\x", "x\\"}) {
    EXPECT_EQ(plain_file_name(name), !kBackslashSeparates) << name;
  }
}

}  // namespace
}  // namespace rt
