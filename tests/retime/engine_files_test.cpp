// write_cue and retime_pair on real files in a temporary directory, with the
// console captured.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/corpus.h"

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "retime/engine.h"
#include "retime/output.h"
#include "retime/pair_files.h"
#include "tests/retime/reference_search.h"
#include "tests/text/temp_directory.h"
#include "text/console_print.h"
#include "text/files.h"

namespace rt {
namespace {

const std::string kExampleText = "Guten Morgen. Wie geht es dir heute? Mir geht es gut, danke.";

const std::string kExampleTimecodes =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\nErste Zeile\r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:05,000\r\nZweite Zeile\r\n\r\n"
    "3\r\n00:00:05,500 --> 00:00:08,000\r\nDritte Zeile\r\n\r\n";

const std::string kExampleOutput =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\nGuten Morgen. Wie geht \r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:05,000\r\nes dir heute? Mir geht es gut, danke.\r\n\r\n"
    "3\r\n00:00:05,500 --> 00:00:08,000\r\n\r\n\r\n";

// Console lines end as print_line ends them on this platform.
const std::string kEol = console_line_end();
const std::string kSearchedConsole = " Berechne Korrekturfaktor..." + kEol;
const std::string kFailedConsole = " Berechne Korrekturfaktor..." + kEol + " Fehler" + kEol;


// What retime_pair writes for text and lines when the search in memory
// gives what it gives: its entries with the segments as write_cue writes
// them.
std::string written_by_search(const std::string& text, const std::vector<std::string>& lines) {
  std::string output;
  std::string number_line;
  RetimeSink sink;
  sink.print_line = [](const std::string&) {};
  sink.write_cue = [&](const std::string& number, const std::string& timecode, const std::string& segment) {
    output += entry_bytes(number, timecode, cue_text_as_written(segment));
  };
  sink.close_all = [] {};
  retime_text(text, lines, number_line, sink);
  return output;
}

// True when none of the pair's file numbers holds a file any more.
bool pair_files_closed(const std::string& any_file) {
  bool closed = true;
  for (int n : {kTextFile, kTimecodeFile, kOutputFile}) {
    if (open_input(any_file, n) != 0) closed = false;
  }
  close_all();
  return closed;
}

// A pair on disk, opened the way the driver opens it.
class PairOnDisk {
 public:
  PairOnDisk(const std::string& text, const std::string& timecodes) {
    write_bytes(dir_ / "film.txt", text);
    write_bytes(dir_ / "film.srt", timecodes);
  }
  void open_text() { EXPECT_EQ(open_input(dir_ / "film.txt", kTextFile), 0); }
  void open_timecodes() { EXPECT_EQ(open_input(dir_ / "film.srt", kTimecodeFile), 0); }
  void open_output() { EXPECT_EQ(rt::open_output(dir_ / "film.src", kOutputFile), 0); }
  void open_all() {
    open_text();
    open_timecodes();
    open_output();
  }
  // Runs retime_pair; the console bytes it printed.
  std::string retime() { return console_transcript(retime_pair); }
  std::string output() const { return read_bytes(dir_ / "film.src"); }
  std::string path_of_text() const { return dir_ / "film.txt"; }

 private:
  TempDirectory dir_;
};

class RetimePair : public ::testing::Test {
 protected:
  void SetUp() override {
    close_all();
    reset_number_line();
  }
  void TearDown() override {
    close_all();
    reset_number_line();
  }
};

TEST(WriteCue, FourLinesEndedByCrLfWithTheSegmentsLineEndsAsCrLf) {
  TempDirectory dir;
  ASSERT_EQ(open_output(dir / "out.src", kOutputFile), 0);
  write_cue("7", "00:00:01,000 --> 00:00:02,000 X1:5", "Zeile eins\nZeile zwei ");
  write_cue("", "-->", "");
  close_all();
  EXPECT_EQ(read_bytes(dir / "out.src"),
            "7\r\n00:00:01,000 --> 00:00:02,000 X1:5\r\nZeile eins\r\nZeile zwei \r\n\r\n"
            "\r\n-->\r\n\r\n\r\n");
}

TEST(WriteCue, TextHoldsNoEmptyOrBlankLine) {
  struct Case {
    const char* what;
    std::string segment;
    std::string written;
  };
  const Case cases[] = {
      {"no line end: as it is, blanks and tabs kept", " Satz, \t", " Satz, \t"},
      {"nothing", "", ""},
      {"line end at the start", "\nSatz.", "Satz."},
      {"line end at the end", "Satz.\n", "Satz."},
      {"paragraph", "Satz.\n\nSatz.", "Satz.\r\nSatz."},
      {"blanks and tabs between line ends", "Satz,\n \t\n\n  \nSatz.", "Satz,\r\nSatz."},
      {"CR before LF (CR CR LF in the file)", "Satz,\r\nSatz.\r\r\n", "Satz,\r\nSatz."},
      {"lone CR", "Satz,\rSatz.", "Satz,\r\nSatz."},
      {"blanks beside a line end stay with their words", "Satz, \n  Satz ", "Satz, \r\n  Satz "},
      {"a blank cut after a line end", "Satz.\n ", "Satz."},
      {"nothing but white space and line ends", " \n\t\n ", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(cue_text_as_written(c.segment), c.written) << c.what;
}

TEST_F(RetimePair, WorkedExampleWritesTheTwelveLineFile) {
  PairOnDisk pair(kExampleText, kExampleTimecodes);
  pair.open_all();
  EXPECT_EQ(pair.retime(), kSearchedConsole);
  EXPECT_EQ(pair.output(), kExampleOutput);
  EXPECT_EQ(number_line(), "3");
  EXPECT_TRUE(pair_files_closed(pair.path_of_text()));
}

TEST_F(RetimePair, TextLineBreaksReachTheFileAsCrLf) {
  // CR LF in the text file reads as LF, stays inside the segments and goes
  // out as CR LF.
  PairOnDisk pair("Guten Morgen.\r\nWie geht es dir heute?\r\nMir geht es gut, danke.\r\n", kExampleTimecodes);
  pair.open_all();
  EXPECT_EQ(pair.retime(), kSearchedConsole);
  const std::vector<std::string> lines = {"1", "00:00:01,000 --> 00:00:02,500", "Erste Zeile", "",
                                          "2", "00:00:03,000 --> 00:00:05,000", "Zweite Zeile", "",
                                          "3", "00:00:05,500 --> 00:00:08,000", "Dritte Zeile", ""};
  EXPECT_EQ(pair.output(), written_by_search("Guten Morgen.\nWie geht es dir heute?\nMir geht es gut, danke.\n", lines));
  EXPECT_NE(pair.output().find("Morgen.\r\nWie"), std::string::npos) << pair.output();
}

TEST_F(RetimePair, ByteOrderMarkPutsCueOneUnderTheLastNumberOfThePassBefore) {
  PairOnDisk pair(kExampleText, "\xEF\xBB\xBF" + kExampleTimecodes);
  pair.open_all();
  pair.retime();
  EXPECT_EQ(pair.output(), "3" + kExampleOutput.substr(1));
}

TEST_F(RetimePair, NumberLineCarriesOverToTheNextPair) {
  PairOnDisk first(kExampleText, kExampleTimecodes);
  first.open_all();
  first.retime();
  ASSERT_EQ(number_line(), "3");

  std::string unnumbered = kExampleTimecodes;
  unnumbered[0] = unnumbered[unnumbered.find("2\r\n00:00:03")] = unnumbered[unnumbered.find("3\r\n00:00:05")] = 'X';
  PairOnDisk second(kExampleText, unnumbered);
  second.open_all();
  EXPECT_EQ(second.retime(), kSearchedConsole);
  std::string expected = kExampleOutput;
  expected[0] = '3';
  expected[expected.find("2\r\n00:00:03")] = '3';
  EXPECT_EQ(second.output(), expected);
}

TEST_F(RetimePair, FailuresPrintFehlerCloseEverythingAndWriteNothing) {
  struct Case {
    const char* what;
    std::string text;
    std::string timecodes;
    bool open_text;
    bool open_timecodes;
  };
  const Case cases[] = {
      {"empty text file", "", kExampleTimecodes, true, true},
      {"capitals only", "HALLO WELT.", kExampleTimecodes, true, true},
      {"unopened text file", kExampleText, kExampleTimecodes, false, true},
      {"unopened timecode file", kExampleText, kExampleTimecodes, true, false},
      {"empty timecode file", kExampleText, "", true, true},
      {"single cue", kExampleText, "1\r\n00:00:01,000 --> 00:00:04,000\r\nWorte\r\n\r\n", true, true},
      {"total duration 0", kExampleText, "1\r\n00:00:01,000 --> 00:00:03,000\r\n\r\n2\r\n00:00:05,000 --> 00:00:03,000\r\n",
       true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PairOnDisk pair(c.text, c.timecodes);
    if (c.open_text) pair.open_text();
    if (c.open_timecodes) pair.open_timecodes();
    pair.open_output();
    EXPECT_EQ(pair.retime(), kFailedConsole);
    EXPECT_EQ(pair.output(), "");
    EXPECT_TRUE(pair_files_closed(pair.path_of_text()));
  }
}

TEST_F(RetimePair, UnopenedOutputFileStillRunsTheSearch) {
  PairOnDisk pair(kExampleText, kExampleTimecodes);
  pair.open_text();
  pair.open_timecodes();
  // No output is a failure of the pair, told after the search.
  EXPECT_EQ(pair.retime(), kFailedConsole);
  EXPECT_EQ(pair.output(), "<missing>");
  EXPECT_EQ(number_line(), "3") << "the passes ran as usual";
  EXPECT_TRUE(pair_files_closed(pair.path_of_text()));
}

TEST_F(RetimePair, CorpusPairOnDiskGivesWhatTheSearchGivesInMemory) {
  REQUIRE_CORPUS();
  const std::string corpus = RETIME_CORPUS_DIR;
  const std::string text = read_bytes(corpus + "/pairs/tomsa_SE_latin1/SE.txt");
  const std::string timecodes = read_bytes(corpus + "/pairs/tomsa_SE_latin1/SE.srt");
  PairOnDisk pair(text, timecodes);
  pair.open_all();
  EXPECT_EQ(pair.retime(), kSearchedConsole);

  // In memory: CR LF of the text read as LF; the timecode file has LF ends.
  std::string stream;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) stream.push_back(text[i]);
  }
  std::vector<std::string> lines(1);
  for (char c : timecodes) {
    if (c == '\n') {
      lines.emplace_back();
    } else {
      lines.back().push_back(c);
    }
  }
  if (lines.back().empty()) lines.pop_back();
  const SearchRecord expected = record_engine(stream, lines, "");
  ASSERT_FALSE(expected.failed);
  EXPECT_EQ(pair.output(), written_by_search(stream, lines));
  EXPECT_EQ(number_line(), expected.number_line);
}

}  // namespace
}  // namespace rt
