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
#include "tests/retime/cue_file_reader.h"
#include "tests/retime/reference_search.h"
#include "tests/text/temp_directory.h"
#include "text/console_print.h"
#include "text/encodings.h"
#include "text/files.h"
#include "text/visible_text.h"

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
  std::string retime() {
    return console_transcript([this] { result_ = retime_pair(); });
  }
  // How the last retime ended.
  const PairResult& result() const { return result_; }
  std::string output() const { return read_bytes(dir_ / "film.src"); }
  std::string path_of_text() const { return dir_ / "film.txt"; }

 private:
  TempDirectory dir_;
  PairResult result_;
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
      // Segments longer than the 64 bytes the lines are told by at a time.
      {"line end as the 64th byte, blank line across the border",
       std::string(63, 'a') + "\n" + std::string(70, ' ') + "\nb", std::string(63, 'a') + "\r\nb"},
      {"a line shown only after the border", std::string(60, ' ') + "\n" + std::string(10, ' ') + "x\n",
       std::string(10, ' ') + "x"},
      {"a long line shown only at its start, over three blocks", "x" + std::string(200, ' ') + "\n",
       "x" + std::string(200, ' ')},
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

TEST_F(RetimePair, ByteOrderMarkIsNoPartOfTheFirstLine) {
  PairOnDisk pair(kExampleText, "\xEF\xBB\xBF" + kExampleTimecodes);
  pair.open_all();
  pair.retime();
  EXPECT_EQ(pair.output(), kExampleOutput);
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
    PairFailure failure;  // as the pair tells it, the text looked at where it is the cause
    std::int64_t failed_cue = -1;  // where the search stopped, for a quota of 0
  };
  const std::string zero_second_cue = "1\r\n00:00:01,000 --> 00:00:02,500\r\n\r\n"
                                      "2\r\n00:00:03,000 --> 00:00:03,000\r\n\r\n";
  const Case cases[] = {
      {"empty text file", "", kExampleTimecodes, true, true, PairFailure::text_empty, 0},
      {"capitals only", "HALLO WELT.", kExampleTimecodes, true, true, PairFailure::text_without_vowels, 0},
      {"no break character", "Gutenmorgenwiegehtesdir", kExampleTimecodes, true, true,
       PairFailure::text_without_breaks, 0},
      {"a cue of zero duration", kExampleText, zero_second_cue, true, true, PairFailure::cue_without_share, 1},
      {"unopened text file", kExampleText, kExampleTimecodes, false, true, PairFailure::text_empty, 0},
      {"unopened timecode file", kExampleText, kExampleTimecodes, true, false, PairFailure::no_cue},
      {"empty timecode file", kExampleText, "", true, true, PairFailure::no_cue},
      {"single cue", kExampleText, "1\r\n00:00:01,000 --> 00:00:04,000\r\nWorte\r\n\r\n", true, true,
       PairFailure::single_cue},
      {"total duration 0", kExampleText,
       "1\r\n00:00:01,000 --> 00:00:03,000\r\n\r\n2\r\n00:00:05,000 --> 00:00:03,000\r\n", true, true,
       PairFailure::no_duration},
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
    EXPECT_EQ(pair.result().failure, c.failure);
    EXPECT_EQ(pair.result().outcome.failed_cue, c.failed_cue);
    EXPECT_EQ(pair.result().output.failed_at, SaveStep::given_up) << "a failed search keeps no output";
  }
}

TEST_F(RetimePair, UnopenedOutputFileStillRunsTheSearch) {
  PairOnDisk pair(kExampleText, kExampleTimecodes);
  pair.open_text();
  pair.open_timecodes();
  // No output is a failure of the pair, told after the search.
  EXPECT_EQ(pair.retime(), kFailedConsole);
  EXPECT_EQ(pair.result().failure, PairFailure::output_not_written);
  EXPECT_EQ(pair.result().output.failed_at, SaveStep::not_open);
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

TEST_F(RetimePair, CorpusFileWithAByteOrderMarkAndATextWithParagraphs) {
  REQUIRE_CORPUS();
  const std::string corpus = RETIME_CORPUS_DIR;
  // The cue file begins with a byte-order mark; the novel has empty lines
  // between its paragraphs and lines of blanks around its title.
  const std::string timecodes = read_bytes(corpus + "/srt/de_underthedome_de.srt");
  PairOnDisk pair(read_bytes(corpus + "/text/kafka_verwandlung.txt"), timecodes);
  pair.open_all();
  EXPECT_EQ(pair.retime(), kSearchedConsole);

  const test_support::ReadCueFile read = test_support::read_cue_file(pair.output());
  EXPECT_EQ(read.fault, "");
  std::vector<std::string> timecode_lines;
  std::size_t start = 0;
  for (std::size_t end; (end = timecodes.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = timecodes.substr(start, end - start);
    if (line.find("-->") != std::string::npos) timecode_lines.push_back(line);
  }
  ASSERT_GE(read.entries.size(), 100u);
  ASSERT_LE(read.entries.size(), timecode_lines.size());
  EXPECT_EQ(read.entries.front().number_line, "1");
  std::size_t text_lines = 0;
  for (std::size_t i = 0; i < read.entries.size(); ++i) {
    EXPECT_EQ(read.entries[i].number_line, std::to_string(i + 1));
    EXPECT_EQ(read.entries[i].timecode_line, timecode_lines[i]);
    text_lines += read.entries[i].text_lines.size();
  }
  EXPECT_GT(text_lines, read.entries.size()) << "segments spanning the text's line ends";
}

// What a pair gives: the output, the console, and per entry the positions
// of its segment, with the factor and the passes.
struct PairRun {
  std::string output;
  std::string console;
  std::vector<std::pair<Pos, Pos>> segments;
  double factor = 0.0;
  std::int64_t passes = 0;
};

PairRun run_watched(const std::string& text, const std::string& timecodes) {
  PairOnDisk pair(text, timecodes);
  pair.open_all();
  PairRun run;
  PairTap tap;
  tap.entry = [&run](const WrittenCue& cue) { run.segments.emplace_back(cue.first, cue.cut); };
  tap.ended = [&run](const RetimeOutcome& outcome, bool) {
    run.factor = outcome.factor;
    run.passes = outcome.passes;
  };
  run.console = console_transcript([&] { retime_pair_watched(tap); });
  run.output = pair.output();
  return run;
}

// UTF-8 read back as Windows-1252, a character it lacks as the neutral
// letter.
std::string as_windows_1252(const std::string& utf8) {
  std::string bytes;
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t length = utf8_sequence_length(utf8, at);
    if (length == 0) {
      bytes += utf8[at++];
      continue;
    }
    const int byte = windows_1252_byte(utf8_code_point(utf8, at, length));
    bytes += byte < 0 ? kNeutralLetter : static_cast<char>(byte);
    at += length;
  }
  return bytes;
}

TEST_F(RetimePair, Utf8TextIsTimedAsItsWindows1252Twin) {
  const struct {
    const char* what;
    std::string utf8;
    std::string twin;  // in Windows-1252, x for a character it lacks
  } cases[] = {
      {"umlauts and sharp s", "Gr\xc3\xbc\xc3\x9f" "e aus K\xc3\xb6ln. Sch\xc3\xb6ne Tage, \xc3\xbc" "brigens; \xc3\x84" "pfel: \xc3\xbc" "ber \xc3\xa4lter.",
       "Gr\xfc\xdf" "e aus K\xf6ln. Sch\xf6ne Tage, \xfc" "brigens; \xc4" "pfel: \xfc" "ber \xe4lter."},
      {"byte-order mark and line ends", "\xef\xbb\xbf" "K\xc3\xa4se und M\xc3\xbcsli.\r\nS\xc3\xbc\xc3\x9f, ja; \xc3\xb6" "fter: \xc3\xa4hnlich, gut.",
       "K\xe4se und M\xfcsli.\r\nS\xfc\xdf, ja; \xf6" "fter: \xe4hnlich, gut."},
      {"quotes, dash and ellipsis of 0x80..0x9F", "\xe2\x80\x9eJa\xe2\x80\x9c \xe2\x80\x93 sagte er\xe2\x80\xa6 und ging, \xc3\xbc" "ber alle Berge. Dann Ruhe.",
       "\x84Ja\x93 \x96 sagte er\x85 und ging, \xfc" "ber alle Berge. Dann Ruhe."},
      {"characters Windows-1252 lacks", "\xc5\x81\xc3\xb3" "d\xc5\xba ist sch\xc3\xb6n, \xc5\x90 und \xc5\xb1 auch. \xe2\x86\x92 Ende; gut.",
       "x\xf3" "dx ist sch\xf6n, x und x auch. x Ende; gut."},
      {"a byte of no sequence after the mark", "\xef\xbb\xbf" "Guten Morgen\xff. Wie geht es dir heute? Mir geht es gut, danke.",
       "Guten Morgen\xff. Wie geht es dir heute? Mir geht es gut, danke."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const PairRun utf8 = run_watched(c.utf8, kExampleTimecodes);
    const PairRun twin = run_watched(c.twin, kExampleTimecodes);
    EXPECT_EQ(utf8.console, kSearchedConsole);
    EXPECT_EQ(twin.console, kSearchedConsole);
    EXPECT_EQ(utf8.segments, twin.segments);
    EXPECT_EQ(utf8.factor, twin.factor);
    EXPECT_EQ(utf8.passes, twin.passes);
    EXPECT_EQ(as_windows_1252(utf8.output), twin.output);
    EXPECT_EQ(utf8.output.find("\xef\xbb\xbf"), std::string::npos) << "the mark is no part of the text";
  }
}

}  // namespace
}  // namespace rt
