#include "driver/batch.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/corpus.h"

#include "driver/scan.h"
#include "tests/driver/disk_and_console.h"
#include "tests/driver/worked_example.h"
#include "tests/retime/cue_file_reader.h"
#include "text/files.h"

namespace rt {
namespace {

using rt::test_support::console_lines;
using rt::test_support::engine_done;
using rt::test_support::engine_failed;
using rt::test_support::paired_block;
using rt::test_support::skipped_block;
using rt::test_support::console_transcript;
using rt::test_support::copy_into;
using rt::test_support::read_bytes;
using rt::test_support::ScratchDirectory;
using rt::test_support::worked_output;
using rt::test_support::worked_text;
using rt::test_support::worked_timecodes;
using rt::test_support::write_bytes;

const std::string corpus = RETIME_CORPUS_DIR;

std::map<std::string, std::string> folder_contents(const std::string& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    contents[entry.path().filename().string()] = read_bytes(entry.path().string());
  }
  return contents;
}

std::vector<std::string> split(const std::string& text, const std::string& separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string::npos;) {
    pieces.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

struct Cue {
  std::string number_line;
  std::string timecode_line;
};

// Number and timecode lines of a clean LF-only cue file.
std::vector<Cue> cues_of(const std::string& file) {
  std::vector<Cue> cues;
  const std::vector<std::string> lines = split(file, "\n");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].find("-->") != std::string::npos) cues.push_back({lines[i - 1], lines[i]});
  }
  return cues;
}

// Checks that output parses back into entries (tests/retime/
// cue_file_reader.h) repeating the cues' number and timecode lines in order,
// whose texts are consecutive pieces of text: joined, and with the white
// space (blanks, tabs, line ends) of both left aside, the beginning of
// text. A text without line ends gives each of them on one line, ending at
// a break character.
void expect_retimed(const std::string& output, const std::vector<Cue>& cues, const std::string& text) {
  const test_support::ReadCueFile read = test_support::read_cue_file(output);
  ASSERT_EQ(read.fault, "");
  const std::size_t entries = read.entries.size();
  ASSERT_GE(entries, 1u);
  ASSERT_LE(entries, cues.size());
  auto without_white_space = [](const std::string& piece) {
    std::string kept;
    for (char c : piece) {
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') kept += c;
    }
    return kept;
  };
  const bool single_line = text.find_first_of("\r\n") == std::string::npos;
  const std::string breaks = "#.,;: ";
  const std::string words = without_white_space(text);
  std::size_t position = 0;
  for (std::size_t i = 0; i < entries; ++i) {
    SCOPED_TRACE("entry " + std::to_string(i + 1));
    const test_support::ReadEntry& entry = read.entries[i];
    EXPECT_EQ(entry.number_line, cues[i].number_line);
    EXPECT_EQ(entry.timecode_line, cues[i].timecode_line);
    std::string cue_text;
    for (const std::string& line : entry.text_lines) cue_text += line;
    if (cue_text.empty()) {
      EXPECT_EQ(i + 1, entries) << "only the cue at which the text ran out is empty";
      continue;
    }
    const std::string cue_words = without_white_space(cue_text);
    ASSERT_EQ(words.compare(position, cue_words.size(), cue_words), 0) << "text not next in the text";
    position += cue_words.size();
    if (single_line) {
      EXPECT_EQ(entry.text_lines.size(), 1u);
      EXPECT_NE(breaks.find(cue_text.back()), std::string::npos) << "text does not end at a break";
    }
  }
  EXPECT_GT(position, words.size() / 2) << "most of the text is placed";
}

TEST(RunBatch, CorpusDirectoryGivesTheExpectedTranscriptAndFiles) {
  REQUIRE_CORPUS();
  ScratchDirectory dir;
  copy_into(corpus + "/pairs/tomsa_SE_latin1/SE.srt", dir / "SE.srt");
  copy_into(corpus + "/pairs/tomsa_SE_latin1/SE.txt", dir / "SE.txt");
  for (const char* name : {"de_mp4parser_count-subs-deutsch.srt", "fr_pysrt_utf-8.srt",
                           "de_underthedome_de.srt", "en_subtitleconverter_Dirty_Harry_VOST.srt",
                           "bad_subtitlesparser_Jack_the_Giant_Slayer_http403.srt", "exo_empty.srt"}) {
    copy_into(corpus + "/srt/" + name, dir / name);
  }
  write_bytes(dir / "film1.srt", worked_timecodes);
  write_bytes(dir / "film1.txt", worked_text);
  write_bytes(dir / "film1.vtt", "WEBVTT\n\n00:00:01.000 --> 00:00:02.500\nGuten Morgen.\n");

  bool all_written = true;
  const std::string transcript =
      console_transcript([&] { all_written = run_batch(dir.path(), ".src"); });
  EXPECT_FALSE(all_written) << "one pair ended with \" Fehler\"";

  // Blocks follow the names in upper case.
  const FileLists lists = scan_directory(dir.path());
  ASSERT_THAT(lists.timecode_files,
              ::testing::ElementsAre("", "de_mp4parser_count-subs-deutsch.srt", "de_underthedome_de.srt", "film1.srt",
                                     "fr_pysrt_utf-8.srt", "SE.srt"));
  // The files that look like subtitle files but are not read are named.
  std::string expected = console_lines({" 5 Timecodedateien",
                                        " Nicht gelesen: bad_subtitlesparser_Jack_the_Giant_Slayer_http403.srt "
                                        "(keine Zeitzeile am Anfang)",
                                        " Nicht gelesen: en_subtitleconverter_Dirty_Harry_VOST.srt "
                                        "(Zeichen nach der Endzeit)",
                                        " Nicht gelesen: exo_empty.srt (leer)", " Nicht gelesen: film1.vtt (WebVTT)"});
  for (int i = 1; i <= 5; ++i) {
    const std::string& name = lists.timecode_files[i];
    if (name == "SE.srt") {
      expected += paired_block(i, name, "SE.txt", "SE..src") + engine_done;
    } else if (name == "film1.srt") {
      expected += paired_block(i, name, "film1.txt", "film1..src") + engine_done;
    } else if (name == "fr_pysrt_utf-8.srt") {
      // Only "f" is shared with film1.txt; sixty bytes of text cannot give a
      // feature film's first cue (numbered 0 in that file) even one vowel.
      expected += paired_block(i, name, "film1.txt", "f.src") +
                  engine_failed("Untertitel Nr. 0 (00:00:01,000) mit 3000 ms zu kurz fuer einen Vokal "
                                "(einer je 218471 ms)");
    } else {
      expected += skipped_block(i, name);
    }
  }
  EXPECT_EQ(transcript, expected);

  const auto outputs = folder_contents(dir / "untertitel");
  std::vector<std::string> output_names;
  for (const auto& entry : outputs) output_names.push_back(entry.first);
  EXPECT_THAT(output_names, ::testing::ElementsAre("SE..src", "f.src", "film1..src"));
  EXPECT_EQ(outputs.at("film1..src"), worked_output);
  EXPECT_EQ(outputs.at("f.src"), "");

  std::string se_text = read_bytes(dir / "SE.txt");
  se_text = [&] {
    std::string stream;
    for (const std::string& piece : split(se_text, "\r\n")) stream += piece + "\n";
    stream.pop_back();
    return stream;
  }();
  expect_retimed(outputs.at("SE..src"), cues_of(read_bytes(dir / "SE.srt")), se_text);
  EXPECT_EQ(free_file_number(), 1);
}

TEST(RunBatch, CountLineAgreesWithTheNumberOfTimecodeFiles) {
  struct Case { int files; const char* line; };
  for (const Case c : {Case{0, " 0 Timecodedateien"}, Case{1, " 1 Timecodedatei"},
                       Case{2, " 2 Timecodedateien"}, Case{11, " 11 Timecodedateien"}}) {
    ScratchDirectory dir;
    for (int i = 0; i < c.files; ++i) write_bytes(dir / ("t" + std::to_string(i) + ".srt"), worked_timecodes);
    write_bytes(dir / "other.txt", worked_text);

    bool all_written = false;
    const std::string transcript =
        console_transcript([&] { all_written = run_batch(dir.path(), ".src"); });
    EXPECT_TRUE(all_written) << "a timecode file without a text is no failed pair";

    const FileLists lists = scan_directory(dir.path());
    std::string expected = console_lines({c.line});
    for (int i = 1; i <= c.files; ++i) expected += skipped_block(i, lists.timecode_files[i]);
    EXPECT_EQ(transcript, expected) << c.files;
    EXPECT_TRUE(std::filesystem::is_directory(dir / "untertitel"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "untertitel"));
  }
}

TEST(RunBatch, ATieInThePairingGoesTheSameWayHoweverTheFolderWasFilled) {
  // film.de.srt shares "film." with both texts; the first in the sorted
  // list wins, whichever was made first.
  for (const bool english_first : {true, false}) {
    ScratchDirectory dir;
    write_bytes(dir / "film.de.srt", worked_timecodes);
    write_bytes(dir / (english_first ? "film.en.txt" : "film.txt"), worked_text);
    write_bytes(dir / (english_first ? "film.txt" : "film.en.txt"), worked_text);
    const std::string transcript = console_transcript([&] { run_batch(dir.path(), ".src"); });
    EXPECT_EQ(transcript, console_lines({" 1 Timecodedatei"}) +
                              paired_block(1, "film.de.srt", "film.en.txt", "film..src") + engine_done)
        << english_first;
  }
}

TEST(RunBatch, MissingDirectoryReportsNoFilesAndCreatesNothing) {
  ScratchDirectory dir;
  const std::string transcript = console_transcript([&] { run_batch(dir / "missing", ".src"); });
  EXPECT_EQ(transcript, console_lines({" 0 Timecodedateien"}));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

// Also for an output name of 255 characters, the longest a file system
// takes, though its temporary name needs 8 more.
TEST(RunBatch, SecondRunOverTheSameDirectoryRewritesTheSameOutput) {
  for (const std::string& stem : {std::string("film1"), std::string(250, 'L')}) {
    SCOPED_TRACE(stem.size());
    ScratchDirectory dir;
    write_bytes(dir / (stem + ".srt"), worked_timecodes);
    write_bytes(dir / (stem + ".txt"), worked_text);
    const std::string output = stem + "..src";
    const std::string expected = console_lines({" 1 Timecodedatei"}) +
                                 paired_block(1, stem + ".srt", stem + ".txt", output) + engine_done;

    for (int run = 1; run <= 2; ++run) {
      bool all_written = false;
      const std::string transcript =
          console_transcript([&] { all_written = run_batch(dir.path(), ".src"); });
      EXPECT_TRUE(all_written) << "run " << run;
      EXPECT_EQ(transcript, expected) << "run " << run;
      EXPECT_EQ(folder_contents(dir / "untertitel"), (std::map<std::string, std::string>{{output, worked_output}}))
          << "run " << run;
    }
  }
}

TEST(RunBatch, OutputInTheWorkingDirectoryItselfIsTakenForATimecodeFile) {
  // A re-timed file copied back beside its sources is a timecode file like
  // any other and pairs with the text again.
  ScratchDirectory dir;
  write_bytes(dir / "film1..src", worked_output);
  write_bytes(dir / "film1.txt", worked_text);

  const std::string transcript = console_transcript([&] { run_batch(dir.path(), ".src"); });

  EXPECT_THAT(transcript, ::testing::StartsWith(console_lines({" 1 Timecodedatei"}) +
                                                paired_block(1, "film1..src", "film1.txt", "film1..src")));
  EXPECT_TRUE(std::filesystem::exists(dir / "untertitel/film1..src"));
}

}  // namespace
}  // namespace rt
