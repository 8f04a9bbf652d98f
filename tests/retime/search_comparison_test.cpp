// The fast search against the plain transcription (reference_search), on
// generated inputs and on real subtitle files and texts: the same console
// lines, the same bytes written, the same number of passes and the same
// number line left behind.
#include <gtest/gtest.h>

#include "tests/corpus.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "retime/distribution.h"
#include "tests/retime/reference_search.h"
#include "text/files.h"

namespace rt {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

// Enough passes for the generated searches that end by the rules; the ones
// that would not end meet the same limit in both searches.
constexpr std::int64_t kComparedPasses = 3000;

void expect_same(const SearchRecord& fast, const SearchRecord& reference) {
  EXPECT_EQ(fast.console, reference.console);
  EXPECT_EQ(fast.output, reference.output);
  EXPECT_EQ(fast.failed, reference.failed);
  EXPECT_EQ(fast.passes, reference.passes);
  EXPECT_EQ(fast.number_line, reference.number_line);
  EXPECT_EQ(fast.closes, 1);
  EXPECT_EQ(fast.closed_before_failure, fast.failed);
}

void compare(const std::string& text, const Lines& lines, const std::string& incoming_number_line) {
  RetimeOptions compact;
  compact.max_passes = kComparedPasses;
  RetimeOptions wide = compact;
  wide.wide_positions = true;
  RetimeOptions every_step = compact;
  every_step.reuse_unchanged_steps = false;
  RetimeOptions portable = compact;
  portable.portable_bits = true;
  SearchRecord reference = reference_search(text, lines, incoming_number_line, kComparedPasses);
  expect_same(record_engine(text, lines, incoming_number_line, compact), reference);
  expect_same(record_engine(text, lines, incoming_number_line, wide), reference);
  expect_same(record_engine(text, lines, incoming_number_line, every_step), reference);
  expect_same(record_engine(text, lines, incoming_number_line, portable), reference);
}

std::string pick(std::mt19937& random, const std::vector<std::string>& choices) {
  return choices[random() % choices.size()];
}

// A text of one of four kinds; a clean one is prose of some length.
std::string random_text(std::mt19937& random, bool clean) {
  static const std::vector<std::string> words = {
      "Guten", "Morgen", "wie", "geht", "es", "dir", "heute", "ja", "nein", "Haus", "sch\xF6n",
      "M\xFC" "de", "\xC4rger", "Stra\xDF" "e", "y", "aa", "HALLO", "GmbH", "12", "\xC3\xA4rger", "zz"};
  static const std::vector<std::string> gaps = {
      " ", " ", " ", ", ", ". ", "; ", ": ", "#", "  ", "\n", "\r\n", "\t", "...", " - ", "", std::string(20, ' ')};
  std::string text;
  const int style = clean ? 0 : static_cast<int>(random() % 4);
  const std::size_t length = clean ? 60 + random() % 200 : random() % 260;
  while (text.size() < length) {
    switch (style) {
      case 0:  // prose
        text += pick(random, words) + pick(random, gaps);
        break;
      case 1:  // prose with hardly any breaks
        text += pick(random, words) + (random() % 8 == 0 ? pick(random, gaps) : "-"s);
        break;
      case 2:  // raw bytes, NUL and line ends included
        text.push_back("aeiouyAEIOUxz.,;:# \t\r\n\0\xE4\xF6\xFC\xC4\xFF"s[random() % 26]);
        break;
      default:  // blank runs
        text += pick(random, words) + std::string(random() % 40, ' ');
        break;
    }
  }
  return text;
}

std::string two_digits(int v) { return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10); }

std::string timecode(int ms) {
  if (ms < 0) ms = 0;
  return two_digits(ms / 3600000 % 100) + ":" + two_digits(ms / 60000 % 60) + ":" + two_digits(ms / 1000 % 60) + "," +
         std::to_string(1000 + ms % 1000).substr(1);
}

// Timecode lines with every oddity the engine must survive; clean ones have
// plausible positive durations only.
Lines random_timecode_lines(std::mt19937& random, bool clean) {
  Lines lines;
  const int cues = 1 + static_cast<int>(random() % 7);
  int clock = static_cast<int>(random() % 5000);
  for (int cue = 1; cue <= cues; ++cue) {
    switch (random() % 8) {
      case 0:
        break;  // no number line
      case 1:
        lines.push_back(pick(random, {"012", "1.5", "-7", " 3", "1e+016", "1e16"}));
        break;
      default:
        lines.push_back(std::to_string(cue));
    }
    int duration;
    switch (clean ? 11 : random() % 12) {
      case 0:
        duration = 0;
        break;
      case 1:
        duration = -static_cast<int>(random() % 3000);
        break;
      case 2:
        duration = 1 + static_cast<int>(random() % 200);
        break;
      default:
        duration = 500 + static_cast<int>(random() % 6000);
    }
    switch (clean ? 19 : random() % 20) {
      case 0:
        lines.push_back("-->");
        break;
      case 1:
        lines.push_back(timecode(clock) + "-->" + timecode(clock + duration));
        break;
      default:
        lines.push_back(timecode(clock) + " --> " + timecode(clock + duration) + (random() % 10 == 0 ? " X1:40" : ""));
    }
    clock += std::max(duration, 0) + static_cast<int>(random() % 500);
    const int text_lines = static_cast<int>(random() % 3);
    for (int i = 0; i < text_lines; ++i) {
      lines.push_back(pick(random, {"Worte", "Noch mehr Worte", "42", clean ? "" : "Pfeil --> hier", "<i>kursiv</i>", "0"}));
    }
    if (random() % 6 != 0) lines.push_back("");
  }
  if (random() % 10 == 0) lines[0] = "\xEF\xBB\xBF" + lines[0];
  if (random() % 10 == 0) lines.push_back("99");
  return lines;
}

TEST(SearchComparison, GeneratedPairsGiveTheSameResults) {
  std::mt19937 random(20240611);
  int written = 0;
  for (int round = 0; round < 600; ++round) {
    const bool clean = round % 2 == 0;
    const std::string text = random_text(random, clean);
    const Lines lines = random_timecode_lines(random, clean);
    const std::string incoming = random() % 2 == 0 ? "" : "7";
    SCOPED_TRACE("round " + std::to_string(round));
    compare(text, lines, incoming);
    if (HasFailure()) return;
    RetimeOptions limited;
    limited.max_passes = kComparedPasses;
    written += record_engine(text, lines, incoming, limited).failed ? 0 : 1;
  }
  // The generator must reach the writing pass often, not only the failures.
  EXPECT_GT(written, 200);
}

// Long searches (a closing cue as long as all others) over texts whose
// words and blank runs reach hundreds of bytes and whose vowels lie up to
// about a thousand bytes apart: the steps kept per vowel from the 24th pass on
// must give way to steps worked out afresh wherever their short distances
// do not reach.
TEST(SearchComparison, LongSearchesOverLongWordsGiveTheSameResults) {
  std::mt19937 random(20261211);
  for (int round = 0; round < 2; ++round) {
    const bool sparse = round == 1;
    const std::size_t vowel_gap = sparse ? 600 : 40;
    std::string text;
    while (text.size() < (sparse ? 80000u : 30000u)) {
      const std::size_t word = 1 + random() % 600;
      for (std::size_t i = 0; i < word; ++i) text.push_back(random() % vowel_gap == 0 ? 'a' : 'x');
      const std::size_t gap = random() % 8;
      text += gap == 0 ? std::string(300, ' ') : gap < 3 ? ", " : " ";
    }
    Lines lines;
    int clock = 0;
    const int cues = 20;
    for (int cue = 1; cue <= cues; ++cue) {
      const int duration = cue == cues ? clock : 1000 + static_cast<int>(random() % 4000);
      lines.push_back(std::to_string(cue));
      lines.push_back(timecode(clock) + " --> " + timecode(clock + duration));
      lines.push_back("");
      clock += duration;
    }
    SCOPED_TRACE("round " + std::to_string(round));
    compare(text, lines, "");
    RetimeOptions limited;
    limited.max_passes = kComparedPasses;
    const std::int64_t passes = record_engine(text, lines, "", limited).passes;
    EXPECT_GT(passes, 24) << "the steps per vowel take part";
  }
}

// The lines of a file as the engine reads them, through the numbered files.
Lines read_lines(const std::string& path) {
  Lines lines;
  EXPECT_EQ(open_input(path, 2), 0) << path;
  do {
    std::string line;
    read_line(2, line);
    lines.push_back(line);
  } while (!at_end(2));
  close_file(2);
  return lines;
}

std::string read_text(const std::string& path) {
  EXPECT_EQ(open_input(path, 1), 0) << path;
  std::string text = read_all(1);
  close_file(1);
  return text;
}

const std::string kCorpus = RETIME_CORPUS_DIR;

TEST(SearchComparison, CorpusPairsGiveTheSameResults) {
  REQUIRE_CORPUS();
  const char* pairs[] = {"pairs/tomsa_SE_latin1", "pairs/tomsa_SE_utf8"};
  for (const char* pair : pairs) {
    SCOPED_TRACE(pair);
    const std::string text = read_text(kCorpus + "/" + pair + "/SE.txt");
    const Lines lines = read_lines(kCorpus + "/" + pair + "/SE.srt");
    compare(text, lines, "");
    EXPECT_FALSE(record_engine(text, lines, "").failed) << "a real pair is written";
  }
}

TEST(SearchComparison, CorpusSubtitlesWithAGermanTextGiveTheSameResults) {
  REQUIRE_CORPUS();
  const std::string text = read_text(kCorpus + "/text/grimm_froschkoenig.txt");
  const char* subtitles[] = {
      "de_wobbla_TOS-de.srt",          "de_wobbla_sintel_de.srt",
      "de_mp4parser_count-subs-deutsch.srt", "de_knyambe_de.srt",
      "de_mediathekview_testcase1.srt", "pysrt_capability_tester.srt",
      "pysrt_invalid.srt",             "pysrt_empty.srt",
      "pysrt_no-indexes.srt",          "cdownsrt_monsters-win.srt",
      "cdownsrt_monsters-bad-order.srt", "astisub_example-in-carriage-return.srt",
      "astisub_example-in-non-utf8.srt", "exo_typical_missing_timecode.srt",
      "exo_typical_negative_timestamps.srt", "exo_typical_unexpected_end.srt",
      "exo_typical_missing_sequence.srt", "exo_typical_no_hours_and_millis.srt",
      "srtparser2_single-digit-timecodes.srt", "en_subtitlesparser_pope-francis_ccSubs.srt",
      "bad_subtitlesparser_Jack_the_Giant_Slayer_http403.srt",
  };
  for (const char* name : subtitles) {
    SCOPED_TRACE(name);
    compare(text, read_lines(kCorpus + "/srt/" + name), "5");
  }
}

}  // namespace
}  // namespace rt
