#include "driver/run_sequence.h"

#include <gtest/gtest.h>

#include "text/paths.h"

namespace rt {
namespace {

// Whether "\" separates here (Windows) or is a character of a name.
const bool kBackslashSeparates = is_separator('\\');

struct PathCase {
  const char* given;
  const char* expected;
  // Where "\" is no separator, when that gives another result.
  const char* expected_without_backslash = nullptr;
};

TEST(WorkingDirectory, LastComponentWithADotIsCutOff) {
  const PathCase cases[] = {
      {"C:\\subs\\film1.srt", "C:\\subs", ""},
      {"C:/subs/film1.srt", "C:/subs"},
      // A root keeps its separator: the file's folder is the root.
      {"C:\\film1.srt", "C:\\", ""},
      {"/film1.srt", "/"},
      {"C:\\subs\\season.2", "C:\\subs", ""},
      {"/home/anna/subs/film1.srt", "/home/anna/subs"},
      {"/home/anna/.subs", "/home/anna"},
      {"/t/x\\y.srt", "/t/x", "/t"},
      {"film1.srt", ""},
      {".", ""},
      {"..", ""},
  };
  for (const PathCase& c : cases) {
    const char* expected =
        !kBackslashSeparates && c.expected_without_backslash != nullptr ? c.expected_without_backslash : c.expected;
    EXPECT_EQ(normalise_working_directory(c.given), expected) << c.given;
  }
}

TEST(WorkingDirectory, EverythingElseStaysAsTyped) {
  const char* kept[] = {
      "C:\\subs\\", "subs", "/home/anna/my.subs/season", "/", "",
      "C:\\subs/", "/a.b/c/", "/t/x.y/z\\w",
  };
  for (const char* answer : kept) EXPECT_EQ(normalise_working_directory(answer), answer) << answer;
  // A dot before the last separator; where "\\" is none, the whole answer
  // is one name with a dot.
  EXPECT_EQ(normalise_working_directory("C:\\my.subs\\season"), kBackslashSeparates ? "C:\\my.subs\\season" : "");
}

}  // namespace
}  // namespace rt
