#include "driver/pairing.h"

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "driver/failure_reasons.h"
#include "tests/driver/disk_and_console.h"
#include "tests/driver/worked_example.h"
#include "text/files.h"
#include "text/filesystem.h"

namespace rt {
namespace {

using rt::test_support::console_lines;
using rt::test_support::engine_done;
using rt::test_support::engine_failed;
using rt::test_support::paired_block;
using rt::test_support::refused_block;
using rt::test_support::skipped_block;
using rt::test_support::console_transcript;
using rt::test_support::read_bytes;
using rt::test_support::ScratchDirectory;
using rt::test_support::weightless_text;
using rt::test_support::worked_output;
using rt::test_support::worked_text;
using rt::test_support::worked_timecodes;
using rt::test_support::write_bytes;
using rt::test_support::zero_length_timecodes;

// ---------------------------------------------------------------------------
// Choosing the text file

struct ChoiceCase {
  const char* description;
  std::string timecode_name;
  NameList text_files;
  int position;
  Pos shared_length;
};

void PrintTo(const ChoiceCase& c, std::ostream* os) { *os << c.description; }

class ChooseTextFile : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ChooseTextFile, PicksTheLongestSharedBeginning) {
  const ChoiceCase& c = GetParam();
  const TextChoice choice = choose_text_file(c.timecode_name, c.text_files);
  EXPECT_EQ(choice.position, c.position);
  EXPECT_EQ(choice.shared_length, c.shared_length);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChooseTextFile,
    ::testing::Values(
        ChoiceCase{"own text beats a sibling", "film1.srt", {"", "film1.txt", "film2.txt"}, 1, 6},
        ChoiceCase{"own text wins from any place", "film1.srt", {"", "film2.txt", "film1.txt"}, 2, 6},
        ChoiceCase{"shared part ends before a blank", "film1.srt", {"", "film1 deutsch.txt"}, 1, 5},
        ChoiceCase{"case differs in the first byte", "Film1.srt", {"", "film1.txt"}, 0, 0},
        ChoiceCase{"case differs later", "filmA.srt", {"", "filma.txt"}, 1, 4},
        ChoiceCase{"timecode name is a leading part of the text name", "film", {"", "film.txt"}, 0, 0},
        ChoiceCase{"text name is a leading part of the timecode name", "film.txt.srt", {"", "film.txt"}, 0, 0},
        ChoiceCase{"equal names", "same", {"", "same"}, 0, 0},
        ChoiceCase{"passed-over name does not block a later one", "film", {"", "film.txt", "fix.txt"}, 2, 2},
        ChoiceCase{"first of equal lengths wins", "film1c.srt", {"", "film1a.txt", "film1b.txt"}, 1, 5},
        ChoiceCase{"first of equal lengths wins, reversed", "film1c.srt", {"", "film1b.txt", "film1a.txt"}, 1, 5},
        ChoiceCase{"strictly longer wins later", "film2.srt", {"", "fx.txt", "film1.txt", "film2.txt"}, 3, 6},
        ChoiceCase{"one shared byte is enough", "abc.srt", {"", "xyz.txt", "a.txt"}, 2, 1},
        ChoiceCase{"nothing in common", "abc.srt", {"", "xyz.txt"}, 0, 0},
        ChoiceCase{"empty list", "film1.srt", {""}, 0, 0},
        ChoiceCase{"bytes above 0x7F compared exactly", "\xE4rger.srt",
                   {"", "\xC4rger.txt", "\xE4rger.txt"}, 2, 6},
        ChoiceCase{"NUL bytes are ordinary bytes", std::string("a\0b.srt", 7),
                   {"", std::string("a\0c.txt", 7)}, 1, 2}));

// ---------------------------------------------------------------------------
// The per-pair steps, run for every timecode file of the lists in order

struct PairCase {
  const char* description;
  std::vector<std::pair<std::string, std::string>> files;
  NameList timecode_files;
  NameList text_files;
  std::string output_extension;
  std::string transcript;
  std::map<std::string, std::string> outputs;  // the whole content of untertitel
};

void PrintTo(const PairCase& c, std::ostream* os) { *os << c.description; }

std::map<std::string, std::string> folder_contents(const std::string& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    contents[entry.path().filename().string()] = read_bytes(entry.path().string());
  }
  return contents;
}

class ProcessPair : public ::testing::TestWithParam<PairCase> {};

TEST_P(ProcessPair, PrintsTheBlockAndWritesTheOutput) {
  const PairCase& c = GetParam();
  ScratchDirectory dir;
  std::filesystem::create_directory(dir / "untertitel");
  for (const auto& [name, content] : c.files) write_bytes(dir / name, content);
  FileLists lists;
  lists.timecode_files = c.timecode_files;
  lists.text_files = c.text_files;

  OutputNames used_outputs;
  const std::string transcript = console_transcript([&] {
    for (int i = 1; i <= entry_count(lists.timecode_files); ++i) {
      process_pair(i, lists, dir.path(), c.output_extension, used_outputs);
    }
  });

  EXPECT_EQ(transcript, c.transcript);
  EXPECT_EQ(folder_contents(dir / "untertitel"), c.outputs);
  EXPECT_EQ(free_file_number(), 1) << "no file may stay open after a pair";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProcessPair,
    ::testing::Values(
        PairCase{"own text chosen, output named after the shared beginning",
                 {{"film1.srt", worked_timecodes}, {"film1.txt", worked_text}, {"film2.txt", weightless_text}},
                 {"", "film1.srt"}, {"", "film1.txt", "film2.txt"}, ".src",
                 paired_block(1, "film1.srt", "film1.txt", "film1..src") + engine_done,
                 {{"film1..src", worked_output}}},
        PairCase{"own text chosen from the second place",
                 {{"film1.srt", worked_timecodes}, {"film1.txt", worked_text}, {"film2.txt", weightless_text}},
                 {"", "film1.srt"}, {"", "film2.txt", "film1.txt"}, ".src",
                 paired_block(1, "film1.srt", "film1.txt", "film1..src") + engine_done,
                 {{"film1..src", worked_output}}},
        PairCase{"shared beginning ends before the blank",
                 {{"film1.srt", worked_timecodes}, {"film1 deutsch.txt", worked_text}},
                 {"", "film1.srt"}, {"", "film1 deutsch.txt"}, ".src",
                 paired_block(1, "film1.srt", "film1 deutsch.txt", "film1.src") + engine_done,
                 {{"film1.src", worked_output}}},
        PairCase{"output extension used exactly as stored",
                 {{"film1.srt", worked_timecodes}, {"film1 deutsch.txt", worked_text}},
                 {"", "film1.srt"}, {"", "film1 deutsch.txt"}, "",
                 paired_block(1, "film1.srt", "film1 deutsch.txt", "film1") + engine_done,
                 {{"film1", worked_output}}},
        PairCase{"case differs: label alone and no file made",
                 {{"Film1.srt", worked_timecodes}, {"film1.txt", worked_text}},
                 {"", "Film1.srt"}, {"", "film1.txt"}, ".src",
                 skipped_block(1, "Film1.srt"), {}},
        PairCase{"timecode name a leading part of the text name: passed over",
                 {{"film", worked_timecodes}, {"film.txt", worked_text}},
                 {"", "film"}, {"", "film.txt"}, ".src",
                 skipped_block(1, "film"), {}},
        PairCase{"first of equal shared lengths wins",
                 {{"film1c.srt", worked_timecodes}, {"film1a.txt", worked_text}, {"film1b.txt", weightless_text}},
                 {"", "film1c.srt"}, {"", "film1a.txt", "film1b.txt"}, ".src",
                 paired_block(1, "film1c.srt", "film1a.txt", "film1.src") + engine_done,
                 {{"film1.src", worked_output}}},
        PairCase{"first of equal shared lengths wins even when it fails",
                 {{"film1c.srt", worked_timecodes}, {"film1a.txt", worked_text}, {"film1b.txt", weightless_text}},
                 {"", "film1c.srt"}, {"", "film1b.txt", "film1a.txt"}, ".src",
                 paired_block(1, "film1c.srt", "film1b.txt", "film1.src") +
                     engine_failed("Text ohne Vokale in Kleinschrift: film1b.txt"),
                 {{"film1.src", ""}}},
        // One output per run: a second pair with the same output name would
        // replace the first one's output, so it ends with " Fehler" unrun.
        PairCase{"second timecode file with the same output name leaves the first's output",
                 {{"film1.srt", worked_timecodes}, {"film1.sub", zero_length_timecodes}, {"film1.txt", worked_text}},
                 {"", "film1.srt", "film1.sub"}, {"", "film1.txt"}, ".src",
                 paired_block(1, "film1.srt", "film1.txt", "film1..src") + engine_done +
                     refused_block(2, "film1.sub", "film1.txt", "film1..src", 1),
                 {{"film1..src", worked_output}}},
        PairCase{"second timecode file with the same output name is not run after a failed first",
                 {{"film1.srt", worked_timecodes}, {"film1.sub", zero_length_timecodes}, {"film1.txt", worked_text}},
                 {"", "film1.sub", "film1.srt"}, {"", "film1.txt"}, ".src",
                 paired_block(1, "film1.sub", "film1.txt", "film1..src") +
                     engine_failed("Untertitel Nr. 1 (00:00:01,000) dauert 0 ms") +
                     refused_block(2, "film1.srt", "film1.txt", "film1..src", 1),
                 {{"film1..src", ""}}},
        PairCase{"names that differ only in case are two outputs where the file system tells them apart",
                 {{"filmA.srt", worked_timecodes}, {"FILMA.srt", worked_timecodes}, {"filmA.txt", worked_text},
                  {"FILMA.txt", worked_text}},
                 {"", "filmA.srt", "FILMA.srt"}, {"", "filmA.txt", "FILMA.txt"}, ".src",
                 paired_block(1, "filmA.srt", "filmA.txt", "filmA..src") + engine_done +
                     (same_entry_name("filmA..src", "FILMA..src")
                          ? refused_block(2, "FILMA.srt", "FILMA.txt", "FILMA..src", 1)
                          : paired_block(2, "FILMA.srt", "FILMA.txt", "FILMA..src") + engine_done),
                 same_entry_name("filmA..src", "FILMA..src")
                     ? std::map<std::string, std::string>{{"filmA..src", worked_output}}
                     : std::map<std::string, std::string>{{"filmA..src", worked_output},
                                                          {"FILMA..src", worked_output}}},
        PairCase{"empty text list: every block says so",
                 {{"a.srt", worked_timecodes}, {"b.srt", worked_timecodes}},
                 {"", "a.srt", "b.srt"}, {""}, ".src",
                 skipped_block(1, "a.srt") + skipped_block(2, "b.srt"), {}},
        PairCase{"block numbers count skipped timecode files",
                 {{"Film1.srt", worked_timecodes}, {"zeta.srt", worked_timecodes},
                  {"film1.srt", worked_timecodes}, {"film1.txt", worked_text}},
                 {"", "Film1.srt", "zeta.srt", "film1.srt"}, {"", "film1.txt"}, ".src",
                 skipped_block(1, "Film1.srt") + skipped_block(2, "zeta.srt") +
                     paired_block(3, "film1.srt", "film1.txt", "film1..src") + engine_done,
                 {{"film1..src", worked_output}}},
        PairCase{"one text file serves several timecode files",
                 {{"film1.srt", worked_timecodes}, {"film2.srt", worked_timecodes}, {"film1 deutsch.txt", worked_text}},
                 {"", "film1.srt", "film2.srt"}, {"", "film1 deutsch.txt"}, ".src",
                 paired_block(1, "film1.srt", "film1 deutsch.txt", "film1.src") + engine_done +
                     paired_block(2, "film2.srt", "film1 deutsch.txt", "film.src") + engine_done,
                 {{"film1.src", worked_output}, {"film.src", worked_output}}},
        PairCase{"one text file for two timecode files with one output name: the second is not run",
                 {{"film1.srt", worked_timecodes}, {"film2.srt", worked_timecodes}, {"film.txt", worked_text}},
                 {"", "film1.srt", "film2.srt"}, {"", "film.txt"}, ".src",
                 paired_block(1, "film1.srt", "film.txt", "film.src") + engine_done +
                     refused_block(2, "film2.srt", "film.txt", "film.src", 1),
                 {{"film.src", worked_output}}},
        PairCase{"text file gone since the scan reads as empty text",
                 {{"film1.srt", worked_timecodes}},
                 {"", "film1.srt"}, {"", "film1.txt"}, ".src",
                 paired_block(1, "film1.srt", "film1.txt", "film1..src") +
                     engine_failed("Textdatei nicht lesbar: film1.txt"),
                 {{"film1..src", ""}}},
        // Each way the engine fails names the cue or the file at fault.
        PairCase{"a cue that ends before it begins",
                 {{"film1.srt", "1\r\n00:00:01,000 --> 00:00:02,500\r\n\r\n"
                                "2\r\n00:00:03,100 --> 00:00:03,000\r\n\r\n"
                                "3\r\n00:00:05,500 --> 00:00:08,000\r\n\r\n"},
                  {"film1.txt", worked_text}},
                 {"", "film1.srt"}, {"", "film1.txt"}, ".src",
                 paired_block(1, "film1.srt", "film1.txt", "film1..src") +
                     engine_failed("Untertitel Nr. 2 (00:00:03,100) endet vor seinem Beginn"),
                 {{"film1..src", ""}}},
        PairCase{"cues whose durations cancel out",
                 {{"film1.srt", "1\r\n00:00:01,000 --> 00:00:03,000\r\n\r\n"
                                "2\r\n00:00:05,000 --> 00:00:03,000\r\n\r\n"},
                  {"film1.txt", worked_text}},
                 {"", "film1.srt"}, {"", "film1.txt"}, ".src",
                 paired_block(1, "film1.srt", "film1.txt", "film1..src") +
                     engine_failed("Untertitel dauern zusammen 0 ms oder weniger: film1.srt"),
                 {{"film1..src", ""}}},
        PairCase{"a single cue",
                 {{"film1.srt", "1\r\n00:00:01,000 --> 00:00:04,000\r\nWorte\r\n\r\n"}, {"film1.txt", worked_text}},
                 {"", "film1.srt"}, {"", "film1.txt"}, ".src",
                 paired_block(1, "film1.srt", "film1.txt", "film1..src") +
                     engine_failed("Timecodedatei mit nur einem Untertitel: film1.srt"),
                 {{"film1..src", ""}}},
        PairCase{"a text of nothing but a byte-order mark",
                 {{"film1.srt", worked_timecodes}, {"film1.txt", "\xEF\xBB\xBF"}},
                 {"", "film1.srt"}, {"", "film1.txt"}, ".src",
                 paired_block(1, "film1.srt", "film1.txt", "film1..src") + engine_failed("Textdatei leer: film1.txt"),
                 {{"film1..src", ""}}}));

TEST(ProcessPairFailures, MissingOutputFolderLosesTheOutputButNotTheRun) {
  ScratchDirectory dir;
  write_bytes(dir / "film1.srt", worked_timecodes);
  write_bytes(dir / "film1.txt", worked_text);
  FileLists lists;
  lists.timecode_files = {"", "film1.srt"};
  lists.text_files = {"", "film1.txt"};

  const std::string transcript =
      console_transcript([&] {
        OutputNames used_outputs;
        process_pair(1, lists, dir.path(), ".src", used_outputs);
      });

  // The output cannot be made: the pair ends with " Fehler".
  EXPECT_EQ(transcript, paired_block(1, "film1.srt", "film1.txt", "film1..src") +
                            engine_failed("Ordner untertitel: nicht vorhanden"));
  EXPECT_FALSE(std::filesystem::exists(dir / "untertitel"));
  EXPECT_EQ(free_file_number(), 1);
}

TEST(ProcessPairFailures, TimecodeFileGoneSinceTheScanEndsThePairWithFehler) {
  ScratchDirectory dir;
  std::filesystem::create_directory(dir / "untertitel");
  write_bytes(dir / "film1.txt", worked_text);
  write_bytes(dir / "next.srt", worked_timecodes);
  write_bytes(dir / "next.txt", worked_text);
  FileLists lists;
  lists.timecode_files = {"", "film1.srt", "next.srt"};
  lists.text_files = {"", "film1.txt", "next.txt"};

  const std::string transcript = console_transcript([&] {
    OutputNames used_outputs;
    process_pair(1, lists, dir.path(), ".src", used_outputs);
    process_pair(2, lists, dir.path(), ".src", used_outputs);
  });

  // The engine's own lines for the lost file lie between the block and its
  // failure line; the next pair runs as usual.
  const std::string head = paired_block(1, "film1.srt", "film1.txt", "film1..src");
  const std::string next = paired_block(2, "next.srt", "next.txt", "next..src") + engine_done;
  ASSERT_GE(transcript.size(), head.size() + next.size());
  EXPECT_EQ(transcript.substr(0, head.size()), head);
  EXPECT_EQ(transcript.substr(transcript.size() - next.size()), next);
  const std::string failed_pair = transcript.substr(0, transcript.size() - next.size());
  EXPECT_THAT(failed_pair,
              ::testing::EndsWith(test_support::failure_lines("Timecodedatei nicht lesbar: film1.srt")));
  EXPECT_EQ(read_bytes(dir / "untertitel/film1..src"), "");
  EXPECT_EQ(read_bytes(dir / "untertitel/next..src"), worked_output);
  EXPECT_EQ(free_file_number(), 1);
}

// The reasons a test run cannot meet for real (a full disk, a search of a
// million passes, another program at the temporary file), and a system
// error the program does not tell apart, which is named by its number.
TEST(FailureReasons, WhatNoTestRunMeets) {
  PairResult passes;
  passes.failure = PairFailure::too_many_passes;
  passes.outcome.passes = 1000000;
  PairResult full;
  full.failure = PairFailure::output_not_written;
  full.output = {SaveStep::writing, {FileErrorKind::no_space, 28}};
  PairResult taken;
  taken.failure = PairFailure::output_not_written;
  taken.output = {SaveStep::placing, {FileErrorKind::moved_away, 0}};
  PairResult unknown;
  unknown.failure = PairFailure::output_not_written;
  unknown.output = {SaveStep::temporary, {FileErrorKind::other, 1234}};
  const PairFiles files{"film1.srt", "film1.txt"};
  EXPECT_EQ(pair_failure_reason(passes, files), "Kein Korrekturfaktor nach 1000000 Runden");
  EXPECT_EQ(pair_failure_reason(full, files), "Ausgabe nicht geschrieben: kein Platz auf dem Datentraeger");
  EXPECT_EQ(pair_failure_reason(taken, files), "Ausgabe nicht umbenannt: temporaere Datei entfernt oder ersetzt");
  EXPECT_EQ(pair_failure_reason(unknown, files), "Temporaere Datei nicht angelegt: Systemfehler 1234");
  EXPECT_EQ(save_failure_reason({SaveStep::writing, {FileErrorKind::io_error, 5}}, WrittenFile::report_page),
            "Bericht nicht geschrieben: Ein-/Ausgabefehler");
}

}  // namespace
}  // namespace rt
