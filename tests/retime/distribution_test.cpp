// The search on texts and timecode lines in memory (retime_text), through a
// recording sink.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "retime/cut_rule.h"
#include "retime/distribution.h"
#include "retime/text_index.h"
#include "tests/retime/reference_search.h"

namespace rt {
namespace {

using Lines = std::vector<std::string>;

const std::string kExampleText = "Guten Morgen. Wie geht es dir heute? Mir geht es gut, danke.";

// The worked example's timecode file as read line by line: three cues, each
// with one line of words and an empty line; the last line read is empty.
Lines example_lines() {
  return {"1", "00:00:01,000 --> 00:00:02,500", "Erste Zeile", "",
          "2", "00:00:03,000 --> 00:00:05,000", "Zweite Zeile", "",
          "3", "00:00:05,500 --> 00:00:08,000", "Dritte Zeile", ""};
}

const std::string kExampleOutput =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\nGuten Morgen. Wie geht \r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:05,000\r\nes dir heute? Mir geht es gut, danke.\r\n\r\n"
    "3\r\n00:00:05,500 --> 00:00:08,000\r\n\r\n\r\n";

const std::vector<std::string> kSearched = {" Berechne Korrekturfaktor..."};
const std::vector<std::string> kFailed = {" Berechne Korrekturfaktor...", " Fehler"};

TEST(WorkedExample, WritesTheTwelveLinesInThe589thPass) {
  SearchRecord run = record_engine(kExampleText, example_lines(), "");
  EXPECT_FALSE(run.failed);
  EXPECT_EQ(run.passes, 589);
  EXPECT_EQ(run.output, kExampleOutput);
  EXPECT_EQ(run.console, kSearched);
  EXPECT_EQ(run.closes, 1);
  EXPECT_EQ(run.number_line, "3");
  // The factor the 589th pass ran with, not the one its run-out left.
  EXPECT_NEAR(run.factor, 1.584, 1e-9);
}

TEST(WorkedExample, FirstPassQuotasAnchorsAndCuts) {
  TextIndex<std::uint32_t> index(kExampleText);
  ASSERT_EQ(index.length(), 60);
  const double rate = vowels_per_ms_of(18, 6000);
  const std::int32_t durations[] = {1500, 2000, 2500};
  const std::int32_t quotas[] = {5, 6, 8};
  const Pos anchors[] = {16, 38, 60};
  const Pos cuts[] = {18, 37, 60};
  const char* segments[] = {"Guten Morgen. Wie ", "geht es dir heute? ", "Mir geht es gut, danke."};
  Pos segment_start = 1;
  for (int i = 0; i < 3; ++i) {
    std::int32_t quota = cue_quota(durations[i], rate, 1.0);
    EXPECT_EQ(quota, quotas[i]);
    Pos anchor = index.anchor_after_quota(segment_start, quota);
    EXPECT_EQ(anchor, anchors[i]);
    Pos cut = choose_cut(index.next_break(anchor), index.last_break(anchor), segment_start, anchor);
    EXPECT_EQ(cut, cuts[i]);
    EXPECT_EQ(mid_text(kExampleText, segment_start, cut - segment_start + 1), segments[i]);
    segment_start = index.skip_blanks(cut + 1);
  }
  EXPECT_EQ(segment_start, 61) << "the text is used up exactly: Len + 1";
}

TEST(WorkedExample, WritingPassQuotas) {
  // Passes 1 to 584 rise, 585 falls, 586 rises, 587 falls, 588 rises.
  double factor = 1.0;
  for (int i = 0; i < 584; ++i) factor = step_factor(factor, kFactorStep);
  for (int i = 0; i < 2; ++i) {
    factor = step_factor(factor, -kFactorStep);
    factor = step_factor(factor, kFactorStep);
  }
  EXPECT_NEAR(factor, 1.584, 1e-9);
  const double rate = vowels_per_ms_of(18, 6000);
  EXPECT_EQ(cue_quota(1500, rate, factor), 7);
  EXPECT_EQ(cue_quota(2000, rate, factor), 10);
  EXPECT_EQ(cue_quota(2500, rate, factor), 12);
}

TEST(NumberLine, ByteOrderMarkLeavesCueOneUnderTheLastNumberOfThePassBefore) {
  Lines lines = example_lines();
  lines[0] = "\xEF\xBB\xBF" "1";
  SearchRecord run = record_engine(kExampleText, lines, "");
  std::string expected = kExampleOutput;
  expected[0] = '3';
  EXPECT_EQ(run.output, expected);
  EXPECT_EQ(run.passes, 589);
}

TEST(NumberLine, CarriesOverFromOnePairToTheNext) {
  std::string carried;
  RetimeSink quiet{[](const std::string&) {},
                   [](const std::string&, const std::string&, const std::string&) {}, [] {}};
  retime_text(kExampleText, example_lines(), carried, quiet);
  EXPECT_EQ(carried, "3");

  Lines unnumbered = example_lines();
  unnumbered[0] = unnumbered[4] = unnumbered[8] = "Nummer";
  SearchRecord next = record_engine(kExampleText, unnumbered, carried);
  EXPECT_EQ(next.output.substr(0, 3), "3\r\n");
  EXPECT_EQ(next.number_line, "3");

  SearchRecord first_of_run = record_engine(kExampleText, unnumbered, "");
  EXPECT_EQ(first_of_run.output.substr(0, 2), "\r\n") << "no number line yet: an empty line";
  EXPECT_EQ(first_of_run.number_line, "");
}

TEST(NumberLine, SubtitleTextThatIsANumberBecomesTheNumberLine) {
  Lines lines = example_lines();
  lines[2] = "42";    // the words of cue 1
  lines[4] = "Zwei";  // cue 2 loses its number
  SearchRecord run = record_engine(kExampleText, lines, "");
  EXPECT_NE(run.output.find("\r\n\r\n42\r\n00:00:03,000"), std::string::npos) << run.output;
}

struct FailureCase {
  const char* what;
  std::string text;
  Lines lines;
  std::int64_t passes;  // passes run before the failure
  RetimeFailure failure;
  // For a quota of 0: the cue (from 0), its timecode line and the number
  // line it would have been written under.
  std::int64_t failed_cue = -1;
  std::string failed_timecode_line = "";
  std::string failed_number_line = "";
};

// Every way the search fails: " Fehler" after all files were closed, and
// nothing written.
TEST(Failures, EndWithFehlerAndWriteNothing) {
  Lines zero_cue = example_lines();
  zero_cue[5] = "00:00:03,000 --> 00:00:03,000";
  Lines arrow_without_times = example_lines();
  arrow_without_times[6] = "Pfeil --> hier";
  Lines cancelling = {"1", "00:00:01,000 --> 00:00:03,000", "", "2", "00:00:05,000 --> 00:00:03,000", ""};
  Lines negative_total = {"1", "00:00:05,000 --> 00:00:03,000", ""};
  Lines single_cue = {"1", "00:00:01,000 --> 00:00:04,000", "Worte", ""};
  Lines short_negative = example_lines();
  short_negative[5] = "00:00:03,100 --> 00:00:03,000";  // -100 ms: product -0.3
  const RetimeFailure quota = RetimeFailure::quota_of_zero;
  const FailureCase cases[] = {
      {"empty text", "", example_lines(), 1, quota, 0, example_lines()[1], "1"},
      {"capitals only", "HALLO WELT.", example_lines(), 1, quota, 0, example_lines()[1], "1"},
      {"cue of zero duration", kExampleText, zero_cue, 1, quota, 1, zero_cue[5], "2"},
      {"arrow in a text line without times", kExampleText, arrow_without_times, 1, quota, 2, "Pfeil --> hier", "2"},
      {"negative product above -0.5", kExampleText, short_negative, 1, quota, 1, short_negative[5], "2"},
      {"durations cancel out", kExampleText, cancelling, 0, RetimeFailure::no_duration},
      {"negative total duration", kExampleText, negative_total, 0, RetimeFailure::no_duration},
      {"no timecode file (one empty line read)", kExampleText, {""}, 0, RetimeFailure::no_cue},
      {"no arrow line at all", kExampleText, {"1", "Worte", ""}, 0, RetimeFailure::no_cue},
      {"no line at all", kExampleText, {}, 0, RetimeFailure::no_cue},
      {"single cue that would rise for ever", kExampleText, single_cue, 1, RetimeFailure::single_cue},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.what);
    SearchRecord run = record_engine(c.text, c.lines, "");
    EXPECT_TRUE(run.failed);
    EXPECT_EQ(run.console, kFailed);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.closes, 1);
    EXPECT_TRUE(run.closed_before_failure);
    EXPECT_EQ(run.passes, c.passes);
    EXPECT_EQ(run.factor, 0.0);

    std::string number_line;
    const RetimeSink quiet{[](const std::string&) {}, nullptr, [] {}};
    const RetimeOutcome outcome = retime_text(c.text, c.lines, number_line, quiet);
    EXPECT_EQ(outcome.failure, c.failure);
    EXPECT_EQ(outcome.failed_cue, c.failed_cue);
    EXPECT_EQ(outcome.failed_timecode_line, c.failed_timecode_line);
    EXPECT_EQ(outcome.failed_number_line, c.failed_number_line);
  }
}

TEST(Failures, TextWithoutBreaksLetsTheFactorFallUntilTheQuotaFails) {
  const std::string text = "Gutenmorgenwiegehtesdir";  // 9 vowels, no break
  SearchRecord run = record_engine(text, example_lines(), "");
  EXPECT_TRUE(run.failed);
  EXPECT_EQ(run.console, kFailed);
  EXPECT_EQ(run.output, "");
  // Cue 1 owes 1500 / 6000 of 9 vowels, 2.25 times the factor, which rounds
  // to 0 once the factor is below 0.2222: pass p runs with 1 - (p - 1) / 1000.
  EXPECT_EQ(run.passes, 779);
}

TEST(Failures, PassLimitEndsTheSearch) {
  RetimeOptions options;
  options.max_passes = 100;
  SearchRecord run = record_engine(kExampleText, example_lines(), "", options);
  EXPECT_TRUE(run.failed);
  EXPECT_EQ(run.passes, 100);
  std::string number_line;
  const RetimeSink quiet{[](const std::string&) {}, nullptr, [] {}};
  EXPECT_EQ(retime_text(kExampleText, example_lines(), number_line, quiet, options).failure,
            RetimeFailure::too_many_passes);
  EXPECT_EQ(run.console, kFailed);
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.number_line, "3");
}

TEST(Failures, EndlessFallPastZeroMeetsThePassLimit) {
  // A huge cue cancelled by a negative one leaves a total of 1 ms, and with
  // 400000 vowels cue 1 owes 8e14 vowels per unit of factor. The text runs
  // out at cue 2 in every pass, so the factor falls; after 1000 steps it is
  // -8.8e-16, not 0, and even that gives cue 1 a quota of -1 rather than 0.
  // No quota failure ever comes and the factor falls for ever.
  Lines lines = {"1", "00:00:00,000 --> 00:00:00,2000000000", "",
                 "2", "00:00:00,2000000000 --> 00:00:00,001", ""};
  const std::string text = std::string(400000, 'a') + ".";
  SearchRecord run = record_engine(text, lines, "");
  EXPECT_TRUE(run.failed);
  EXPECT_EQ(run.passes, kMaxPasses);
  EXPECT_EQ(run.console, kFailed);
  EXPECT_EQ(run.output, "");
}

TEST(SingleCue, RunningOutAtTheLastLineStillWrites) {
  // A text without breaks runs out at the one cue; its timecode line is the
  // last line, so every pass counts two changes and the third pass writes.
  Lines lines = {"1", "00:00:01,000 --> 00:00:04,000"};
  SearchRecord run = record_engine("Gutenmorgen", lines, "");
  EXPECT_FALSE(run.failed);
  EXPECT_EQ(run.passes, 3);
  EXPECT_EQ(run.output, "1\r\n00:00:01,000 --> 00:00:04,000\r\n\r\n\r\n");
}

TEST(SingleCue, RunningOutBeforeTheEndFallsToTheQuotaFailure) {
  Lines lines = {"1", "00:00:01,000 --> 00:00:04,000", "Worte", ""};
  SearchRecord run = record_engine("Gutenmorgen", lines, "");
  EXPECT_TRUE(run.failed);
  EXPECT_GT(run.passes, 100) << "ended by the quota rule, not by the single-cue guard";
  EXPECT_EQ(run.passes, reference_search("Gutenmorgen", lines, "", kMaxPasses).passes);
}

TEST(TextRunsOut, AtTheLastLineBothRowsApplyInOrder) {
  // Without the trailing words and empty line, cue 3's timecode line is the
  // last line: the run-outs of passes 585 and 586 each count twice
  // (text, then time), so pass 587 writes.
  Lines lines = example_lines();
  lines.resize(10);
  SearchRecord run = record_engine(kExampleText, lines, "");
  EXPECT_FALSE(run.failed);
  EXPECT_EQ(run.passes, 587);
  EXPECT_EQ(run.output, kExampleOutput);
}

TEST(NegativeDuration, IsNoFailureAndItsScanRunsToTheEnd) {
  Lines lines = example_lines();
  lines[9] = "00:00:08,000 --> 00:00:07,500";  // cue 3: -500 ms, total 3000
  const std::string text = "Eins zwei. Drei vier. Fuenf sechs. Sieben acht. Neun zehn. Elf";
  // Cue 3 owes a negative quota, so its scan runs to Len and it is cut at
  // the last break before "Elf".
  const std::int32_t quota = cue_quota(-500, vowels_per_ms_of(count_vowels(text), 3000), 1.0);
  EXPECT_LT(quota, 0);
  TextIndex<std::uint32_t> index(text);
  const Pos anchor = index.anchor_after_quota(20, quota);
  EXPECT_EQ(anchor, text_length(text));
  EXPECT_EQ(choose_cut(index.next_break(anchor), index.last_break(anchor), 20, anchor), 59);

  SearchRecord run = record_engine(text, lines, "");
  EXPECT_FALSE(run.failed);
  EXPECT_EQ(run.console, kSearched);
  SearchRecord reference = reference_search(text, lines, "", kMaxPasses);
  EXPECT_EQ(run.output, reference.output);
  EXPECT_EQ(run.passes, reference.passes);
  const std::string last_entry = "\r\n\r\n3\r\n00:00:08,000 --> 00:00:07,500\r\n\r\n\r\n";
  ASSERT_GT(run.output.size(), last_entry.size());
  EXPECT_EQ(run.output.substr(run.output.size() - last_entry.size()), last_entry);
}

TEST(ArrowInText, ATextLineWithTimesCountsAsACue) {
  Lines lines = example_lines();
  lines[6] = "00:00:05,000 --> 00:00:05,500 sagt er";  // the words of cue 2
  SearchRecord run = record_engine(kExampleText, lines, "");
  ASSERT_FALSE(run.failed);
  // Four entries; the text line's entry sits under cue 2's number.
  EXPECT_NE(run.output.find("2\r\n00:00:05,000 --> 00:00:05,500 sagt er\r\n"), std::string::npos) << run.output;
  SearchRecord reference = reference_search(kExampleText, lines, "", kMaxPasses);
  EXPECT_EQ(run.output, reference.output);
  EXPECT_EQ(run.passes, reference.passes);
}

TEST(Segments, LineEndsAndTabsAreOrdinaryBytes) {
  const std::string text = "Guten Morgen.\nWie geht es dir\theute?\r\nMir geht es gut, danke.";
  SearchRecord run = record_engine(text, example_lines(), "");
  ASSERT_FALSE(run.failed);
  EXPECT_NE(run.output.find('\n', run.output.find("Morgen.") + 7), std::string::npos);
  EXPECT_EQ(run.output, reference_search(text, example_lines(), "", kMaxPasses).output);
}

TEST(LargeText, FiftyMegabytesGiveTheSameResultWithBothTableWidths) {
  std::string text;
  text.reserve(50u << 20);
  while (text.size() < (50u << 20)) text += kExampleText + (text.size() % 7 == 0 ? "\n" : " ");
  Lines lines;
  for (int cue = 1; cue <= 200; ++cue) {
    lines.push_back(std::to_string(cue));
    lines.push_back("00:00:01,000 --> 00:00:0" + std::to_string(2 + cue % 7) + ",500");
    lines.push_back("");
  }
  RetimeOptions wide;
  wide.wide_positions = true;
  SearchRecord compact_run = record_engine(text, lines, "");
  SearchRecord wide_run = record_engine(text, lines, "", wide);
  ASSERT_FALSE(compact_run.failed);
  EXPECT_EQ(compact_run.output, wide_run.output);
  EXPECT_EQ(compact_run.passes, wide_run.passes);
  // The entries hand out the text in order, nearly all of it.
  EXPECT_GT(compact_run.output.size(), text.size() * 9 / 10);
  EXPECT_EQ(compact_run.output.compare(0, 40, "1\r\n00:00:01,000 --> 00:00:03,500\r\nGuten "), 0);
}

}  // namespace
}  // namespace rt
