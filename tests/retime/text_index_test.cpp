#include "retime/text_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "retime/bits.h"
#include "retime/cut_rule.h"
#include "retime/distribution.h"
#include "retime/factor_ranges.h"

namespace rt {
namespace {

using namespace std::string_literals;

// One row of a worked cue step: where the scan stops, the breaks around it,
// the cut and where the next segment begins.
struct CueStep {
  const char* text;
  Pos segment_start;
  std::int32_t quota;
  Pos anchor;
  Pos forward;
  Pos backward;
  Pos cut;
  const char* segment;
  Pos next_segment_start;  // 0: the text ran out
};

template <typename P>
void check_cue_steps() {
  const CueStep steps[] = {
      // "Hallo Welt. Wie geht es?": the a at 2 is skipped, the scan examines 3 to 8.
      {"Hallo Welt. Wie geht es?", 1, 2, 7, 11, 6, 6, "Hallo ", 7},
      {"Hallo Welt. Wie geht es?", 7, 3, 17, 21, 16, 16, "Welt. Wie ", 17},
      // Equal distances choose the forward break.
      {"zz.zza.zz", 1, 1, 5, 7, 3, 7, "zz.zza.", 8},
      // The u at 6 is skipped; no forward break, the backward one lies
      // before segment_start: the text ran out and "gut" goes to no cue.
      {"Ja, gut", 5, 1, 7, 0, 4, 4, "", 0},
      {"Ja, gut", 5, 1000, 7, 0, 4, 4, "", 0},
  };
  for (const CueStep& step : steps) {
    SCOPED_TRACE(std::string(step.text) + " from " + std::to_string(step.segment_start));
    const std::string text = step.text;
    TextIndex<P> index(text);
    Pos anchor = index.anchor_after_quota(step.segment_start, step.quota);
    EXPECT_EQ(anchor, step.anchor);
    EXPECT_EQ(index.next_break(anchor), step.forward);
    EXPECT_EQ(index.last_break(anchor), step.backward);
    Pos cut = choose_cut(step.forward, step.backward, step.segment_start, anchor);
    EXPECT_EQ(cut, step.cut);
    if (step.next_segment_start == 0) {
      EXPECT_LE(cut, step.segment_start);
    } else {
      EXPECT_EQ(mid_text(text, step.segment_start, cut - step.segment_start + 1), step.segment);
      EXPECT_EQ(index.skip_blanks(cut + 1), step.next_segment_start);
    }
  }
}

TEST(CueSteps, WorkedStepsWithCompactTables) { check_cue_steps<std::uint32_t>(); }
TEST(CueSteps, WorkedStepsWithWideTables) { check_cue_steps<std::uint64_t>(); }

TEST(CueSteps, ScanEdges) {
  const std::string text = "xaxa";  // vowels at 2 and 4, Len 4
  TextIndex<std::uint32_t> index(text);
  EXPECT_EQ(index.anchor_after_quota(1, 1), 3) << "first byte examined is 3";
  EXPECT_EQ(index.anchor_after_quota(1, 2), 4) << "quota not met: the scan stops at Len";
  EXPECT_EQ(index.anchor_after_quota(1, -5), 4) << "a negative quota runs to Len";
  EXPECT_EQ(index.anchor_after_quota(3, 1), 4) << "the last byte examined is Len + 1";
  EXPECT_EQ(index.anchor_after_quota(4, 1), 4) << "segment_start at Len examines nothing";
  EXPECT_EQ(index.anchor_after_quota(5, 1), 5) << "segment_start past Len stays";
  EXPECT_EQ(index.anchor_after_quota(2, std::numeric_limits<std::int32_t>::max()), 4);

  TextIndex<std::uint32_t> empty("");
  EXPECT_EQ(empty.anchor_after_quota(1, 3), 1);
  EXPECT_EQ(empty.next_break(1), 0);
  EXPECT_EQ(empty.last_break(1), 0);
}

TEST(CutChoice, FirstMatchingRule) {
  struct Case {
    Pos forward, backward, segment_start, anchor, cut;
  };
  const Case cases[] = {
      {0, 4, 5, 7, 4},    // no forward break: backward, even before segment_start
      {0, 0, 1, 3, 0},    // no break at all
      {9, 0, 1, 3, 9},    // no backward break
      {9, 2, 3, 5, 9},    // backward before segment_start is ignored
      {9, 3, 3, 5, 3},    // backward at segment_start counts: 2 against 4
      {8, 2, 1, 5, 8},    // equal distances: forward
      {9, 2, 1, 5, 2},    // backward nearer
      {6, 2, 1, 5, 6},    // forward nearer
      {5, 5, 1, 5, 5},    // anchor on a break
  };
  for (const Case& c : cases) {
    EXPECT_EQ(choose_cut(c.forward, c.backward, c.segment_start, c.anchor), c.cut)
        << c.forward << " " << c.backward << " " << c.segment_start << " " << c.anchor;
  }
}

TEST(BlankSkipping, StopsAtAnythingButABlank) {
  const std::string text = "a,  \tb  \nc " + std::string(40, ' ') + "d" + std::string(20, ' ');
  TextIndex<std::uint32_t> index(text);
  EXPECT_EQ(index.skip_blanks(3), 5) << "tab stops it";
  EXPECT_EQ(index.skip_blanks(7), 9) << "line feed stops it";
  EXPECT_EQ(index.skip_blanks(11), 52) << "a long run is crossed";
  EXPECT_EQ(index.skip_blanks(30), 52) << "from inside a long run";
  EXPECT_EQ(index.skip_blanks(53), 73) << "blanks to the end give Len + 1";
  EXPECT_EQ(index.skip_blanks(73), 73);
}

TEST(Vowels, OnlyLowerCaseVowelsAndLatin1Umlauts) {
  EXPECT_EQ(count_vowels(""), 0);
  EXPECT_EQ(count_vowels("HALLO WELT."), 0);
  EXPECT_EQ(count_vowels("aeiouy"), 6);
  EXPECT_EQ(count_vowels("\xE4\xF6\xFC\xC4\xD6\xDC\xDF"), 3);
  EXPECT_EQ(count_vowels("\xC3\xA4"), 0) << "UTF-8 umlaut bytes are no vowels";
  EXPECT_EQ(count_vowels("a\0e\r\ni"s), 3);
  EXPECT_EQ(count_vowels("Guten Morgen. Wie geht es dir heute? Mir geht es gut, danke."), 18);
}

// Random texts over an alphabet that stresses the tables: vowels, breaks,
// capitals, line ends and NUL, with blank runs that cross whole 64-byte
// blocks and stretches without any break character.
std::string random_text(std::mt19937& random, std::size_t length) {
  static const std::string alphabet = "aeiouyxzkBAE#.,;: \t\r\n\0\xE4\xFC\xC4"s;
  static const std::string letters = "aeiouyxzkBAE\xE4\r\n"s;
  std::string text;
  while (text.size() < length) {
    switch (random() % 60) {
      case 0:
        text.append(random() % 200, ' ');
        break;
      case 1:
        for (std::size_t n = random() % 200; n > 0; --n) text.push_back(letters[random() % letters.size()]);
        break;
      default:
        text.push_back(alphabet[random() % alphabet.size()]);
    }
  }
  return text;
}

template <typename P>
void check_queries_against_text_searches(std::uint32_t seed) {
  std::mt19937 random(seed);
  for (int round = 0; round < 100; ++round) {
    const std::string text = random_text(random, random() % 500);
    const Pos len = text_length(text);
    TextIndex<P> index(text);
    ASSERT_EQ(index.vowel_count(), count_vowels(text));
    for (Pos p = -2; p <= len + 3; ++p) {
      ASSERT_EQ(index.next_break(p), find_any(p, text, kBreakCharacters)) << p;
      ASSERT_EQ(index.last_break(p), find_any_last(text, kBreakCharacters, p)) << p;
      Pos blank_end = p;
      while (mid_text(text, blank_end, 1) == " ") ++blank_end;
      if (p >= 1) {
        ASSERT_EQ(index.skip_blanks(p), blank_end) << p;
      }
    }
    const auto vowel_steps = index.template vowel_steps<bits::PortableBits>();
    ASSERT_EQ(static_cast<std::int64_t>(vowel_steps.size()), index.vowel_count());
    if (bits::processor_has_bit_instructions()) {
      const auto hardware_steps = index.template vowel_steps<bits::HardwareBits>();
      for (std::size_t w = 0; w < vowel_steps.size(); ++w) {
        ASSERT_EQ(hardware_steps[w].vowels_after_next, vowel_steps[w].vowels_after_next) << w;
      }
    }
    for (Pos start = 1; start <= len + 1; ++start) {
      for (std::int32_t quota : {1, 2, 3, 7, 50, 0, -1}) {
        Pos anchor = start;
        std::int64_t owed = quota;
        while (anchor < len) {
          ++anchor;
          if (find_any(1, kVowels, mid_text(text, anchor + 1, 1)) != 0) --owed;
          if (owed == 0) break;
        }
        ASSERT_EQ(index.anchor_after_quota(start, quota), anchor) << start << " " << quota;
        // The whole step, with both sets of bit operations.
        const Pos cut =
            choose_cut(find_any(anchor, text, kBreakCharacters), find_any_last(text, kBreakCharacters, anchor), start, anchor);
        Pos next = 0;
        if (cut > start) {
          next = cut + 1;
          while (mid_text(text, next, 1) == " ") ++next;
        }
        const auto step = index.template cue_step<bits::PortableBits>(start, quota);
        ASSERT_EQ(step.cut, cut) << start << " " << quota;
        ASSERT_EQ(step.next_segment_start, next) << start << " " << quota;
        // The step of the quota's last vowel, where it holds for this start.
        const std::int64_t wanted = index.template vowels_before<bits::PortableBits>(start + 2) + quota - 1;
        if (quota >= 1 && start < len && wanted < index.vowel_count()) {
          const auto& by_vowel = vowel_steps[static_cast<std::size_t>(wanted)];
          ASSERT_NE(by_vowel.next, 0u);
          if (by_vowel.next != TextIndex<P>::kIrregular && static_cast<Pos>(by_vowel.backward) >= start) {
            ASSERT_EQ(static_cast<Pos>(by_vowel.cut), cut) << start << " " << quota;
            if (cut > start) {
              ASSERT_EQ(static_cast<Pos>(by_vowel.next), next) << start << " " << quota;
              if (next < len) {
                ASSERT_EQ(static_cast<std::int64_t>(by_vowel.vowels_after_next), count_vowels(mid_text(text, 1, next + 1)))
                    << start << " " << quota;
              }
            }
          }
        }
        if (bits::processor_has_bit_instructions()) {
          ASSERT_EQ(index.template anchor_after_quota<bits::HardwareBits>(start, quota), anchor) << start << " " << quota;
          const auto hardware_step = index.template cue_step<bits::HardwareBits>(start, quota);
          ASSERT_EQ(hardware_step.cut, cut) << start << " " << quota;
          ASSERT_EQ(hardware_step.next_segment_start, next) << start << " " << quota;
        }
      }
    }
  }
}

TEST(TextIndexQueries, MatchTextSearchesCompact) { check_queries_against_text_searches<std::uint32_t>(7); }
TEST(TextIndexQueries, MatchTextSearchesWide) { check_queries_against_text_searches<std::uint64_t>(8); }

// Masks where counting and selecting go wrong first: none, one and all
// bits, single bytes full or empty, alternating bits, and random ones.
std::vector<std::uint64_t> test_masks() {
  std::vector<std::uint64_t> masks = {0,
                                      1,
                                      0x8000000000000000ULL,
                                      ~std::uint64_t{0},
                                      0xFF,
                                      0xFF00000000000000ULL,
                                      0x00FF00FF00FF00FFULL,
                                      0x5555555555555555ULL,
                                      0xAAAAAAAAAAAAAAAAULL,
                                      0x8000000000000001ULL,
                                      0x0101010101010101ULL};
  std::mt19937_64 random(64);
  for (int i = 0; i < 2000; ++i) masks.push_back(random() & random());
  return masks;
}

template <typename Bits>
void check_bit_operations() {
  for (std::uint64_t mask : test_masks()) {
    int set = 0;
    for (int bit = 0; bit < 64; ++bit) {
      if ((mask >> bit) & 1) {
        ASSERT_EQ(Bits::select(mask, set), bit) << std::hex << mask << " " << std::dec << set;
        ++set;
      }
    }
    ASSERT_EQ(Bits::count(mask), set) << std::hex << mask;
  }
}

TEST(BitOperations, PortableCountAndSelect) { check_bit_operations<bits::PortableBits>(); }

TEST(BitOperations, HardwareCountAndSelectWhereTheProcessorHasThem) {
  // Prints the path the engine takes on this processor.
  std::printf("[          ] bit operations of the search: %s\n",
              bits::hardware_bits_usable()            ? "POPCNT, BMI1 and BMI2"
              : bits::processor_has_bit_instructions() ? "portable (PDEP is slow here)"
                                                       : "portable (no POPCNT, BMI1 or BMI2)");
  if (!bits::processor_has_bit_instructions()) GTEST_SKIP() << "this processor lacks POPCNT, BMI1 or BMI2";
  check_bit_operations<bits::HardwareBits>();
}

TEST(Arithmetic, QuotaRoundsHalfUpInExtendedPrecision) {
  EXPECT_EQ(cue_quota(5, 0.5, 1.0), 3) << "2.5 gives 3";
  EXPECT_EQ(cue_quota(-5, 0.5, 1.0), -2) << "-2.5 gives -2";
  EXPECT_EQ(cue_quota(-1, 0.5, 1.0), 0) << "-0.5 gives 0";
  EXPECT_EQ(cue_quota(-3, 0.5, 1.0), -1) << "-1.5 gives -1";
  EXPECT_EQ(cue_quota(0, 0.5, 1.0), 0);
  // The first pass of the worked example: 18 vowels over 6000 ms.
  const double rate = vowels_per_ms_of(18, 6000);
  EXPECT_EQ(cue_quota(1500, rate, 1.0), 5);
  EXPECT_EQ(cue_quota(2000, rate, 1.0), 6);
  EXPECT_EQ(cue_quota(2500, rate, 1.0), 8);
  // A product that rounds to 654.49999... in extended precision but to
  // 654.5 when every step is rounded to double.
  EXPECT_EQ(cue_quota(6545, vowels_per_ms_of(1375, 23815), 1.732), 654);
  // Out of the 32-bit range the quota saturates and keeps its sign.
  EXPECT_EQ(cue_quota(2147483647, 1e6, 1.0), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(cue_quota(-2147483647, 1e6, 1.0), std::numeric_limits<std::int32_t>::min());
}

// The quota as written out: every step in extended precision, the floor
// saturated to 32 bits.
std::int32_t quota_written_out(std::int32_t duration, double vowels_per_ms, double factor) {
  long double product = static_cast<long double>(duration) * static_cast<long double>(vowels_per_ms);
  product = product * static_cast<long double>(factor);
  const long double rounded = floorl(product + 0.5L);
  if (rounded >= 2147483647.0L) return std::numeric_limits<std::int32_t>::max();
  if (rounded <= -2147483648.0L) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(rounded);
}

TEST(Arithmetic, QuotaMatchesTheWrittenOutFormulaEverywhere) {
  std::mt19937_64 random(99);
  std::uniform_real_distribution<double> rates(0.0, 0.05);
  std::uniform_real_distribution<double> factors(0.2, 3.0);
  for (int i = 0; i < 200000; ++i) {
    const std::int32_t duration = static_cast<std::int32_t>(random() % 20001) - 5000;
    double rate = rates(random);
    double factor = factors(random);
    if (i % 2 == 0 && duration != 0) {
      // Aim the product at a whole number or a half, where the rounding of
      // every step decides.
      const double target = static_cast<double>(static_cast<std::int64_t>(random() % 400) - 100) / 2.0;
      rate = target / duration;
      factor = 1.0 + static_cast<double>(static_cast<int>(random() % 3) - 1) * 1e-16;
    }
    ASSERT_EQ(cue_quota(duration, rate, factor), quota_written_out(duration, rate, factor))
        << duration << " " << rate << " " << factor;
  }
  for (std::int32_t duration : {2147483647, -2147483647, 1000000000, -1000000000}) {
    for (double rate : {1e-9, 0.5, 2.147483647, 3.0, 1e6}) {
      EXPECT_EQ(cue_quota(duration, rate, 1.0), quota_written_out(duration, rate, 1.0)) << duration << " " << rate;
    }
  }
}

TEST(Arithmetic, FactorRangeHoldsOnlyFactorsOfItsQuota) {
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> rates(0.0001, 0.05);
  std::uniform_real_distribution<double> factors(0.2, 3.0);
  int ranges = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::int32_t duration = 1 + static_cast<std::int32_t>(random() % 20000);
    const double vowels_per_ms = rates(random);
    const double rate = static_cast<double>(static_cast<long double>(duration) * vowels_per_ms);
    const std::int32_t quota = cue_quota(duration, vowels_per_ms, factors(random));
    const FactorRange range = factor_range(rate, quota);
    if (quota < 1) {
      EXPECT_GT(range.low, range.high) << "no range for a quota below 1";
      continue;
    }
    ASSERT_LE(range.low, range.high) << duration << " " << vowels_per_ms << " " << quota;
    ++ranges;
    // Its ends and the doubles just inside them.
    for (double factor : {static_cast<double>(range.low), static_cast<double>(range.high),
                          std::nextafter(static_cast<double>(range.low), 10.0),
                          std::nextafter(static_cast<double>(range.high), 0.0)}) {
      ASSERT_EQ(cue_quota(duration, vowels_per_ms, factor), quota) << duration << " " << vowels_per_ms << " " << factor;
      ASSERT_TRUE(holds(range, float_sides(factor)));
    }
  }
  EXPECT_GT(ranges, 15000);
  EXPECT_GT(factor_range(0.0, 3).low, factor_range(0.0, 3).high) << "a rate of 0 has no range";
  EXPECT_GT(factor_range(-0.5, 3).low, factor_range(-0.5, 3).high) << "nor has a negative one";
}

TEST(FactorRanges, FirstMissedMatchesALookAtEveryCue) {
  std::mt19937 random(11);
  for (int round = 0; round < 300; ++round) {
    const std::size_t cues = 1 + random() % 300;
    FactorRanges ranges(cues);
    std::vector<FactorRange> plain(cues);
    for (int change = 0; change < 600; ++change) {
      const std::size_t cue = random() % cues;
      const float low = 0.5f + static_cast<float>(random() % 100) / 100.0f;
      const FactorRange range = random() % 5 == 0 ? FactorRange{} : FactorRange{low, low + 0.3f};
      ranges.set(cue, range);
      plain[cue] = range;
      const FloatSides factor = float_sides(0.5 + static_cast<double>(random() % 200) / 137.0);
      const std::size_t from = random() % (cues + 2);
      std::size_t missed = std::min(from, cues);
      while (missed < cues && holds(plain[missed], factor)) ++missed;
      ASSERT_EQ(ranges.first_missed(from, factor), missed) << cues << " " << from;
      ASSERT_TRUE(ranges[cue] == range);
    }
  }
}

TEST(Arithmetic, RateIsAnExtendedQuotientStoredAsDouble) {
  EXPECT_EQ(vowels_per_ms_of(1, 2731), 0x1.7ff4005ffd002p-12);
  EXPECT_NE(vowels_per_ms_of(1, 2731), 1.0 / 2731.0) << "a plain double division differs here";
  EXPECT_EQ(vowels_per_ms_of(1375, 23815), 0x1.d8faadd1e2705p-5);
}

TEST(Arithmetic, FactorStepsAccumulateByRepeatedAddition) {
  double factor = 1.0;
  for (int i = 0; i < 588; ++i) factor = step_factor(factor, kFactorStep);
  EXPECT_NEAR(factor, 1.588, 1e-12);
  EXPECT_NE(factor, 1.588) << "588 additions are not 1.588 computed afresh";
  double back = factor;
  for (int i = 0; i < 588; ++i) back = step_factor(back, -kFactorStep);
  EXPECT_NEAR(back, 1.0, 1e-12);
}

}  // namespace
}  // namespace rt
