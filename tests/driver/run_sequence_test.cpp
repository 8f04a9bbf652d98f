#include "driver/run_sequence.h"

#include <gtest/gtest.h>

namespace rt {
namespace {

struct PathCase {
  const char* given;
  const char* expected;
};

TEST(WorkingDirectory, LastComponentWithADotIsCutOff) {
  const PathCase cases[] = {
      {"C:\\subs\\film1.srt", "C:\\subs"},
      {"C:/subs/film1.srt", "C:/subs"},
      {"C:\\film1.srt", "C:"},
      {"C:\\subs\\season.2", "C:\\subs"},
      {"/home/anna/subs/film1.srt", "/home/anna/subs"},
      {"/home/anna/.subs", "/home/anna"},
      {"film1.srt", ""},
      {".", ""},
      {"..", ""},
  };
  for (const PathCase& c : cases) EXPECT_EQ(normalise_working_directory(c.given), c.expected) << c.given;
}

TEST(WorkingDirectory, EverythingElseStaysAsTyped) {
  const char* kept[] = {
      "C:\\my.subs\\season", "C:\\subs\\", "subs", "/home/anna/my.subs/season", "/", "",
      "C:\\subs/", "/a.b/c/",
  };
  for (const char* answer : kept) EXPECT_EQ(normalise_working_directory(answer), answer) << answer;
}

}  // namespace
}  // namespace rt
