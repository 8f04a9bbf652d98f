#include "driver/scan.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/corpus.h"

#include "driver/skipped_files.h"
#include "tests/driver/disk_and_console.h"
#include "text/files.h"
#include "text/paths.h"

namespace rt {
namespace {

using ::testing::ElementsAre;
using rt::test_support::console_transcript;
using rt::test_support::ScratchDirectory;
using rt::test_support::write_bytes;

const std::string tc1 = "00:00:01,000 --> 00:00:02,500";
const std::string tc2 = "00:00:03,000 --> 00:00:05,000";

// Two well-formed cues with the given line end.
std::string two_cues(const std::string& eol = "\r\n") {
  return "1" + eol + tc1 + eol + "Hallo" + eol + eol +
         "2" + eol + tc2 + eol + "Welt" + eol + eol;
}

std::string lines_of(const std::vector<std::string>& lines) {
  std::string joined;
  for (const auto& line : lines) joined += line + "\r\n";
  return joined;
}

std::string repeated_line(const std::string& line, int times) {
  std::string joined;
  for (int i = 0; i < times; ++i) joined += line + "\r\n";
  return joined;
}

enum class Kind { timecode, text, dropped };

struct ClassificationCase {
  const char* description;
  std::string name;
  std::string content;
  Kind expected;
  // Why a dropped file that looks like a subtitle file is not read; empty
  // for a file the run does not mention.
  std::string skipped_reason = "";
};

void PrintTo(const ClassificationCase& c, std::ostream* os) { *os << c.description; }

class ScanClassification : public ::testing::TestWithParam<ClassificationCase> {};

TEST_P(ScanClassification, PutsTheFileInTheRightList) {
  const ClassificationCase& c = GetParam();
  ScratchDirectory dir;
  write_bytes(dir / c.name, c.content);

  const FileLists lists = scan_directory(dir.path());

  switch (c.expected) {
    case Kind::timecode:
      EXPECT_THAT(lists.timecode_files, ElementsAre("", c.name));
      EXPECT_THAT(lists.text_files, ElementsAre(""));
      break;
    case Kind::text:
      EXPECT_THAT(lists.timecode_files, ElementsAre(""));
      EXPECT_THAT(lists.text_files, ElementsAre("", c.name));
      break;
    case Kind::dropped:
      EXPECT_THAT(lists.timecode_files, ElementsAre(""));
      EXPECT_THAT(lists.text_files, ElementsAre(""));
      break;
  }
  if (c.skipped_reason.empty()) {
    EXPECT_TRUE(lists.skipped.empty()) << lists.skipped.front().reason;
  } else {
    ASSERT_EQ(lists.skipped.size(), 1u);
    EXPECT_EQ(lists.skipped[0].name, c.name);
    EXPECT_EQ(not_read_line(lists.skipped[0]), " Nicht gelesen: " + c.name + " (" + c.skipped_reason + ")");
  }
  EXPECT_EQ(free_file_number(), 1) << "the probe must leave file number 1 free";
}

const std::string bom = "\xEF\xBB\xBF";

INSTANTIATE_TEST_SUITE_P(
    Names, ScanClassification,
    ::testing::Values(
        ClassificationCase{"upper-case ending", "FILM1.TXT", "Guten Morgen.", Kind::text},
        ClassificationCase{"mixed-case ending", "film1.Txt", "Guten Morgen.", Kind::text},
        ClassificationCase{".txt holding cues is still text", "film1.txt", two_cues(), Kind::text},
        ClassificationCase{"bare .txt", ".txt", "", Kind::text},
        ClassificationCase{"name shorter than four chars is probed", "txt", two_cues(), Kind::timecode},
        ClassificationCase{"three-char name without cues", "a.t", "Hallo", Kind::dropped},
        ClassificationCase{"near miss .tx", "film.tx", two_cues(), Kind::timecode},
        ClassificationCase{".srt", "film1.srt", two_cues(), Kind::timecode},
        ClassificationCase{".sub", "film1.sub", two_cues(), Kind::timecode},
        ClassificationCase{"output extension .src", "film1..src", two_cues(), Kind::timecode},
        ClassificationCase{"no extension", "film1", two_cues(), Kind::timecode},
        ClassificationCase{"plain text under another name", "readme.md", "Hallo Welt\r\n", Kind::dropped},
        ClassificationCase{"empty file", "empty.srt", "", Kind::dropped, "leer"},
        ClassificationCase{"empty file of another name", "empty", "", Kind::dropped}));

INSTANTIATE_TEST_SUITE_P(
    Contents, ScanClassification,
    ::testing::Values(
        ClassificationCase{"CR LF lines", "crlf.srt", two_cues("\r\n"), Kind::timecode},
        ClassificationCase{"LF-only lines", "lf.srt", two_cues("\n"), Kind::timecode},
        ClassificationCase{"no line end after the timecode line", "short.srt", "1\n" + tc1, Kind::timecode},
        ClassificationCase{"byte-order mark", "bom.srt", bom + two_cues(), Kind::timecode},
        ClassificationCase{"byte-order mark and only one cue", "bom1.srt",
                           bom + "1\r\n" + tc1 + "\r\nHallo\r\n", Kind::timecode},
        ClassificationCase{"nine lines before the first cue", "nine.srt",
                           repeated_line("Vorspann", 9) + two_cues(), Kind::timecode},
        ClassificationCase{"ten lines before the first cue", "ten.srt",
                           repeated_line("Vorspann", 10) + two_cues(), Kind::dropped, "keine Zeitzeile am Anfang"},
        ClassificationCase{"ten empty lines before the first cue", "tenempty.srt",
                           repeated_line("", 10) + two_cues(), Kind::dropped, "keine Zeitzeile am Anfang"},
        ClassificationCase{"ten lines before the first cue, not named as subtitles", "ten.sub",
                           repeated_line("Vorspann", 10) + two_cues(), Kind::dropped},
        ClassificationCase{"two number lines in a row, one cue", "double1.srt",
                           lines_of({"7", "1", tc1, "Hallo"}), Kind::dropped, "Aufbau nicht erkannt"},
        ClassificationCase{"two number lines in a row, then a later cue", "double2.srt",
                           lines_of({"7", "1", tc1, "Hallo", "", "2", tc2, "Welt"}), Kind::timecode},
        ClassificationCase{"leading zero is no number line", "zero.srt",
                           lines_of({"01", tc1, "Hallo", "", "02", tc2, "Welt"}), Kind::dropped,
                           "keine Nummer vor der Zeitzeile"},
        ClassificationCase{"trailing blank is no number line", "blank.srt",
                           lines_of({"1 ", tc1, "Hallo", "", "2 ", tc2, "Welt"}), Kind::dropped,
                           "keine Nummer vor der Zeitzeile"},
        ClassificationCase{"no cue numbers at all", "nonumbers.sub", lines_of({tc1, "Hallo", "", tc2, "Welt"}),
                           Kind::dropped, "keine Nummer vor der Zeitzeile"},
        ClassificationCase{"cue numbered 0", "zero0.srt", lines_of({"0", tc1, "Hallo"}), Kind::timecode},
        ClassificationCase{"large cue number", "big.srt", lines_of({"123456", tc1, "Hallo"}), Kind::timecode},
        ClassificationCase{"trailing blank after the end time", "trail.srt",
                           lines_of({"1", tc1 + " ", "Hallo", "", "2", tc2 + " ", "Welt"}), Kind::dropped,
                           "Zeichen nach der Endzeit"},
        ClassificationCase{"position data after the end time", "pos.srt",
                           lines_of({"1", tc1 + "  X1:243 X2:478", "Hallo", "", "2", tc2 + "  X1:1", "Welt"}),
                           Kind::dropped, "Zeichen nach der Endzeit"},
        ClassificationCase{"timecode line one char short", "28.srt",
                           lines_of({"1", "00:00:01,000 --> 00:00:02,50", "Hallo"}), Kind::dropped,
                           "Zeit nicht wie 00:00:00,000"},
        ClassificationCase{"dot before the milliseconds", "dot.srt",
                           lines_of({"1", "00:00:01.000 --> 00:00:02.500", "Hallo"}), Kind::dropped,
                           "Punkt vor den Millisekunden"},
        ClassificationCase{"one-digit hours", "hours", lines_of({"1", "0:00:01,000 --> 0:00:02,500", "Hallo"}),
                           Kind::dropped, "einstellige Stunden"},
        ClassificationCase{"no milliseconds", "seconds.srt", lines_of({"1", "00:00:01 --> 00:00:02", "Hallo"}),
                           Kind::dropped, "ohne Millisekunden"},
        ClassificationCase{"WebVTT", "film.vtt",
                           "WEBVTT\n\n1\n00:00:01.000 --> 00:00:02.500\nHallo\n", Kind::dropped, "WebVTT"},
        ClassificationCase{"UTF-16 with its byte-order mark", "utf16.srt",
                           std::string("\xFF\xFE" "1\0\r\0\n\0", 8), Kind::dropped, "UTF-16"},
        ClassificationCase{"UTF-16 without a mark, big-endian", "utf16be",
                           std::string("\0" "1\0\n\0" "0\0:\0" "1\0 \0-\0-\0>\0 \0" "2\0\n", 24), Kind::dropped,
                           "UTF-16"},
        ClassificationCase{"an arrow in prose", "notes.md", "a --> b\r\n", Kind::dropped},
        ClassificationCase{"masked places accept any other character", "letters.srt",
                           lines_of({"1", "ab:cd:ef,ghi --> jk:lm:no,pqr"}), Kind::timecode},
        ClassificationCase{"a kept character at a masked place", "kept.srt",
                           lines_of({"1", "00:00:01,000 --> 00:00:02,5:0"}), Kind::dropped,
                           "Zeit nicht wie 00:00:00,000"},
        ClassificationCase{"arrow with a blank inside", "arrow.srt",
                           lines_of({"1", "00:00:01,000 - > 00:00:02,500"}), Kind::dropped,
                           "keine Zeitzeile am Anfang"},
        ClassificationCase{"lines ending in CR alone read as one line", "cr.srt",
                           "1\r" + tc1 + "\rHallo\r\r2\r" + tc2 + "\rWelt\r", Kind::dropped, "Zeilenenden nur CR"},
        ClassificationCase{"binary bytes", "prog.exe", std::string("MZ\x90\0\x03\0\0\0\x04\n\0\xff", 12),
                           Kind::dropped},
        // The probe reads the first 64 KiB: a cue behind one long line is
        // not looked for, and a line the bound cuts is not examined (its
        // first 29 characters would pass for a timecode line).
        ClassificationCase{"a cue beyond the probe's bytes", "late.srt",
                           std::string(kProbeBytes, 'x') + "\r\n" + two_cues(), Kind::dropped,
                           "keine Zeitzeile am Anfang"},
        ClassificationCase{"a cue ending at the last byte the probe reads", "edge.srt",
                           std::string(kProbeBytes - 33, 'x') + "\n1\n" + tc1 + "\nHallo\n", Kind::timecode},
        ClassificationCase{"a file ending with a timecode line at the probe's bound", "end.srt",
                           std::string(kProbeBytes - 32, 'x') + "\n1\n" + tc1, Kind::timecode},
        ClassificationCase{"a longer line cut by the probe's bound after 29 characters", "cut.srt",
                           std::string(kProbeBytes - 32, 'x') + "\n1\n" + tc1 + "0\nHallo\n", Kind::dropped,
                           "keine Zeitzeile am Anfang"}));

TEST(ScanDirectory, EmptyAndMissingDirectoriesGiveEmptyLists) {
  ScratchDirectory dir;
  for (const std::string& path : {dir.path(), dir / "missing", dir / "missing/deeper"}) {
    const FileLists lists = scan_directory(path);
    EXPECT_THAT(lists.timecode_files, ElementsAre("")) << path;
    EXPECT_THAT(lists.text_files, ElementsAre("")) << path;
  }
}

TEST(ScanDirectory, WorkingDirectoryBySeparatorsOfThePlatform) {
  ScratchDirectory dir;
  std::filesystem::create_directory(dir / "sub");
  write_bytes(dir / "sub/film.srt", two_cues());
  write_bytes(dir / "sub/film.txt", "Text.");

  const FileLists by_slash = scan_directory(dir.path() + "/sub");
  EXPECT_THAT(by_slash.timecode_files, ElementsAre("", "film.srt"));
  EXPECT_THAT(by_slash.text_files, ElementsAre("", "film.txt"));

  // "DIR\\sub" is the folder sub where "\\" separates (Windows), and a
  // folder of that name beside DIR, which is not there, elsewhere.
  const FileLists lists = scan_directory(dir.path() + "\\sub");
  if (is_separator('\\')) {
    EXPECT_THAT(lists.timecode_files, ElementsAre("", "film.srt"));
    EXPECT_THAT(lists.text_files, ElementsAre("", "film.txt"));
  } else {
    EXPECT_THAT(lists.timecode_files, ElementsAre(""));
    EXPECT_THAT(lists.text_files, ElementsAre(""));
  }
}

TEST(ScanDirectory, ListsInTheOrderOfUpperCaseNames) {
  ScratchDirectory dir;
  // Made in an order of their own, which the listing may keep.
  for (const char* name : {"ep06", "ep10", "ep09", "ep07", "ep01", "ep03", "ep08", "ep02", "ep05", "ep04"}) {
    write_bytes(dir / (std::string(name) + ".srt"), two_cues());
    write_bytes(dir / (std::string(name) + ".txt"), "Text.");
  }
  const FileLists lists = scan_directory(dir.path());
  std::vector<std::string> expected_timecode = {""};
  std::vector<std::string> expected_text = {""};
  for (int i = 1; i <= 10; ++i) {
    const std::string stem = std::string(i < 10 ? "ep0" : "ep") + std::to_string(i);
    expected_timecode.push_back(stem + ".srt");
    expected_text.push_back(stem + ".txt");
  }
  EXPECT_EQ(lists.timecode_files, expected_timecode);
  EXPECT_EQ(lists.text_files, expected_text);

  const struct {
    std::string first;
    std::string second;
  } ordered[] = {
      {"a", "B"}, {"B", "c"}, {"a", "ab"}, {"ab", "a_b"}, {"Z", "_"}, {"film.en.txt", "film.txt"},
      {"Film", "film"}, {"FILM.TXT", "film.Txt"}, {"z", "\xE4"}, {"", "a"},
  };
  for (const auto& o : ordered) {
    EXPECT_TRUE(listed_before(o.first, o.second)) << o.first << " " << o.second;
    EXPECT_FALSE(listed_before(o.second, o.first)) << o.first << " " << o.second;
  }
  EXPECT_FALSE(listed_before("a", "a"));
}

TEST(IsTimecodeFile, MissingFileAndFolderAreNoTimecodeFiles) {
  ScratchDirectory dir;
  std::filesystem::create_directory(dir / "folder");
  EXPECT_FALSE(is_timecode_file(dir / "missing.srt"));
  EXPECT_FALSE(is_timecode_file(dir / "folder"));
  EXPECT_EQ(free_file_number(), 1);
}

TEST(IsTimecodeFile, ReadsNoMoreThanTwentyLinesOfAHugeFile) {
  // A probe that read on would still find this late cue.
  ScratchDirectory dir;
  write_bytes(dir / "long.srt", repeated_line("1", 200000) + two_cues());
  EXPECT_FALSE(is_timecode_file(dir / "long.srt"));
}

TEST(IsTimecodeFile, FindsCorpusFilesAsTheirHeadsSay) {
  REQUIRE_CORPUS();
  const std::string corpus = std::string(RETIME_CORPUS_DIR) + "/srt/";
  struct Expectation { const char* name; bool timecode; };
  const Expectation expectations[] = {
      {"de_mp4parser_count-subs-deutsch.srt", true},
      {"fr_pysrt_utf-8.srt", true},                          // first cue numbered 0
      {"de_ep1subtitle_german.srt", true},                   // BOM, CR LF: second cue
      {"en_subtitleconverter_Dirty_Harry_VOST.srt", false},  // trailing blanks everywhere
      {"en_subtitlesparser_Children.of.Men.2006.srt", false},  // "." before milliseconds
      {"bad_subtitlesparser_Jack_the_Giant_Slayer_http403.srt", false},
      {"de_fmidue_05_Operationen-f-slides_korrigiert.srt", false},  // no cue numbers
      {"exo_typical_utf16be.srt", false},
      {"exo_empty.srt", false},
  };
  for (const auto& e : expectations) {
    EXPECT_EQ(is_timecode_file(corpus + e.name), e.timecode) << e.name;
  }
}

}  // namespace
}  // namespace rt
