#include "retime/timecode.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "retime/time_text.h"

namespace rt {
namespace {

using namespace std::string_literals;

constexpr std::int32_t kOutOfRange = INT32_MIN;

struct MsCase {
  std::string timecode;
  std::int32_t expected;
};

template <size_t N>
void expect_all_ms(const MsCase (&cases)[N]) {
  for (const MsCase& c : cases) {
    EXPECT_EQ(timecode_to_ms(c.timecode), c.expected) << '"' << c.timecode << '"';
  }
}

TEST(TimecodeToMs, WellFormedTimecodes) {
  const MsCase cases[] = {
      {"00:00:01,000", 1000},
      {"01:02:03,456", 3723456},
      {"99:59:59,999", 359999999},
      {"00:00:00,000", 0},
      {"00:59:00,000", 3540000},
      {"00:00:00,001", 1},
  };
  expect_all_ms(cases);
}

TEST(TimecodeToMs, FieldsAreTakenByPositionOnly) {
  const MsCase cases[] = {
      {"00:00:00,1234", 1234},          // milliseconds run to the end
      {"00:00:02,000 and more", 2000},  // trailing words are not a number
      {"", 0},
      {"12", 43200000},                 // hours only
      {"1", 3600000},
      {"1:02:03,456", 3723056},         // one digit short shifts every field
      {"00-00-01.500", 1500},           // separators are never looked at
      {"ab:cd:ef,ghi", 0},              // non-numeric fields count 0
      {"00:00:05,", 5000},              // empty milliseconds field
      {"00:00:0", 0},                   // seconds field shortened to "0"
      {" 1: 2: 3, 45", 3723045},        // blanks before a field are skipped
      {"00:00:01,&H10", 1016},          // every field is read by to_number
      {"-1:00:00,000", -3600000},
      {"00:00:00,1\0" "23"s, 1},       // a NUL ends the milliseconds
  };
  expect_all_ms(cases);
}

TEST(TimecodeToMs, RoundsHalfToEven) {
  const MsCase cases[] = {
      {"00:00:00,500.5", 500},
      {"00:00:00,501.5", 502},
      {"00:00:00,0.5", 0},
      {"00:00:00,1.5", 2},
      {"00:00:00,-0.5", 0},
      {"00:00:00,-1.5", -2},
      {"00:00:00,2.4999", 2},
      {"00:00:00,2.5001", 3},
      {"00:00:.5,000", 500},   // fractional seconds
      {".5:00:00,000", 1800000},
  };
  expect_all_ms(cases);
}

TEST(TimecodeToMs, SumsBeyondThe32BitRangeGiveTheLowestValue) {
  const MsCase cases[] = {
      {"00:00:00,2147483647", 2147483647},
      {"00:00:00,2147483647.4", 2147483647},
      {"00:00:00,2147483647.5", kOutOfRange},  // rounds to 2^31
      {"00:00:00,2147483648", kOutOfRange},
      {"00:00:00,99999999999999999999", kOutOfRange},
      {"00:00:00,-2147483648", INT32_MIN},
      {"00:00:00,-2147483648.5", INT32_MIN},  // ties to the even -2^31
      {"00:00:00,-2147483649", kOutOfRange},
      {"00:00:00,1e999", kOutOfRange},        // infinite
      {"00:00:00,-1e999", kOutOfRange},
      {"00:00:00,nan", kOutOfRange},
      {"00:00:00,\tinf", kOutOfRange},
      {"00:00:00,2147483000", 2147483000},
      {"00:00:01,2147483000", kOutOfRange},  // only the sum is out of range
      {"1e:00:00,000", 3600000},             // "1e" reads as 1
  };
  expect_all_ms(cases);
}

TEST(SplitTimecodeLine, DropsOneCharacterOnEachSideOfTheArrow) {
  struct SplitCase {
    std::string line;
    std::string start;
    std::string end;
  };
  const SplitCase cases[] = {
      {"00:00:01,000 --> 00:00:04,500", "00:00:01,000", "00:00:04,500"},
      {"00:00:01,000-->00:00:04,500", "00:00:01,00", "0:00:04,500"},
      {"-->00:00:04,500", "", "0:00:04,500"},       // arrow at position 1
      {"x--> 00:00:04,500", "", "00:00:04,500"},    // arrow at position 2
      {"xy--> 1", "x", "1"},                         // arrow at position 3
      {"00:00:01,000 -->", "00:00:01,000", ""},    // nothing after the arrow
      {"00:00:01,000 --> ", "00:00:01,000", ""},
      {"a --> b --> c", "a", "b --> c"},           // the first arrow counts
      {"00:00:01,000 --> 00:00:04,500 X1:40", "00:00:01,000",
       "00:00:04,500 X1:40"},
      {"1 ---> 2", "1 ", "2"},     // "-->" first begins at position 4
  };
  for (const SplitCase& c : cases) {
    TimecodeTexts texts = split_timecode_line(c.line);
    EXPECT_EQ(texts.start, c.start) << c.line;
    EXPECT_EQ(texts.end, c.end) << c.line;
  }
}

TEST(CueDuration, EndMinusStart) {
  const MsCase cases[] = {
      {"00:00:01,000 --> 00:00:04,500", 3500},
      {"00:00:01,000-->00:00:04,500", 3000},
      {"00:00:04,500 --> 00:00:01,000", -3500},  // negative, returned unchanged
      {"00:00:01,000 --> 00:00:01,000", 0},
      {"-->00:00:04,500", 4000},                  // empty start is worth 0
      {"00:00:01,000 --> 00:00:04,500 X1:40 X2:600", 3500},
      {"99:59:59,999 --> 00:00:00,000", -359999999},
  };
  for (const MsCase& c : cases) {
    EXPECT_EQ(cue_duration(c.timecode), c.expected) << c.timecode;
    EXPECT_EQ(cue_duration_at(c.timecode, c.timecode.find(kArrow)), c.expected) << c.timecode;
  }
}

// The usual layout is read digit by digit; a byte next to the digits, or far
// from them, in any digit's place sends the line to the general reading.
TEST(CueDuration, TheUsualLayoutIsReadAsAnyOther) {
  const std::string usual = "12:34:56,789 --> 23:45:01,234";
  for (std::size_t at = 0; at < usual.size(); ++at) {
    for (char c : {'/', ':', '0', '9', ' ', 'a', '\xFA', '\xFF'}) {
      std::string line = usual;
      line[at] = c;
      const std::size_t arrow = line.find(kArrow);
      if (arrow == std::string::npos) continue;
      EXPECT_EQ(cue_duration_at(line, arrow), cue_duration(line)) << line;
    }
  }
}

TEST(CueDuration, WrapsAsSigned32BitArithmetic) {
  const MsCase cases[] = {
      // start out of range (-2^31), end 1000: 2^31 + 1000 wraps.
      {"00:00:00,9999999999 --> 00:00:01,000", -2147482648},
      // start -2^31, end 2147483647: 2^32 - 1 wraps to -1.
      {"00:00:00,9999999999 --> 00:00:00,2147483647", -1},
      // end -2^31, start 1: -2^31 - 1 wraps to the highest value.
      {"00:00:00,001 --> 00:00:00,9999999999", 2147483647},
      // both out of range: equal values.
      {"00:00:00,nan --> 00:00:00,1e999", 0},
  };
  for (const MsCase& c : cases) {
    EXPECT_EQ(cue_duration(c.timecode), c.expected) << c.timecode;
  }
}

// The numbers the console and the page show, read back: a time written as a
// timecode reads as the same milliseconds, and the signs and padding hold at
// the ends of the ranges.
TEST(TimeText, TimesAndDecimalsAsShown) {
  const struct {
    std::string shown;
    std::string expected;
  } cases[] = {
      {decimal_tenths(185), "18,5"},
      {decimal_tenths(0), "0,0"},
      {decimal_tenths(-5), "-0,5"},
      {decimal_factor(1.584), "1,584"},
      {decimal_factor(0.9), "0,900"},
      {seconds_text(2000), "2,000"},
      {seconds_text(-7), "-0,007"},
      {decimal_text(INT64_MIN, 1, '.'), "-922337203685477580.8"},
      {decimal_text(-12, 0, '.'), "-12"},
      {timecode_text(3723004), "01:02:03,004"},
      {timecode_text(-3000), "-00:00:03,000"},
      {timecode_text(INT32_MIN), "-596:31:23,648"},
      {clock_text(65999, false), "1:05"},
      {clock_text(-65000, false), "-1:05"},
      {clock_text(3725000, true), "1:02:05"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.shown, c.expected);
  for (std::int32_t ms : {0, 1, 999, 59999, 3599999, 86399999}) EXPECT_EQ(timecode_to_ms(timecode_text(ms)), ms);
}

}  // namespace
}  // namespace rt
