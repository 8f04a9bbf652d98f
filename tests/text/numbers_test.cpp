#include "text/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <unistd.h>

namespace rt {
namespace {

using namespace std::string_literals;

const double kInf = std::numeric_limits<double>::infinity();

struct ReadCase {
  std::string text;
  double expected;
};

// Each case read by to_number and by to_number_in_full, which skips the
// shortcut for plain digit runs.
template <size_t N>
void expect_all_read(const ReadCase (&cases)[N]) {
  for (const ReadCase& c : cases) {
    for (double got : {to_number(c.text), to_number_in_full(c.text)}) {
      // Bitwise-equal doubles, so that -0 and 0 or a lost denormal show up.
      EXPECT_EQ(std::signbit(got), std::signbit(c.expected)) << '"' << c.text << '"';
      EXPECT_EQ(got, c.expected) << '"' << c.text << '"';
    }
  }
}

TEST(ToNumber, TakesTheLeadingNumber) {
  const ReadCase cases[] = {
      {"12", 12},        {"12abc", 12},      {" 12", 12},
      {"   12", 12},     {"1d2", 100},       {"1D2", 100},
      {"1e2", 100},      {"1,5", 1},         {"", 0},
      {"-", 0},          {"abc", 0},         {"-7", -7},
      {"+12", 12},       {"1.5", 1.5},       {".5", 0.5},
      {"5.", 5},         {"0.25x", 0.25},    {"05", 5},
      {"0,", 0},         {"500 more", 500},  {"1e", 1},
      {"1e+", 1},        {"   ", 0},          {"1.5e-3", 0.0015},
      {"12 34", 12},     {"-0", -0.0},       {"d2", 0},
      {"123456789012345", 123456789012345},  {"1234567890123456", 1234567890123456},
      {"12D", 12},       {"12e", 12},        {"007", 7},
  };
  expect_all_read(cases);
}

TEST(ToNumber, AmpersandStartsAWholeNumberInABase) {
  const ReadCase cases[] = {
      {"&H1F", 31},
      {"&h1f", 31},
      {"&HfF", 255},
      {"&O17", 15},
      {"&o17", 15},
      {"&B101", 5},
      {"&b101", 5},
      {"&10", 8},          // no selector: octal right after the "&"
      {"&18", 1},          // 8 is no octal digit
      {"&B102", 2},        // 2 is no binary digit
      {"&HG", 0},          // no digit at all
      {"&H", 0},
      {"  &H10", 16},      // blanks before the "&" are skipped
      {"&H-1", 0},         // no sign allowed
      {"&-1", 0},
      {"&", 0},            // one character left: no base, and no real
      {"&HFFFFFFFFFFFFFFFF", -1},                       // 64 bits read as signed
      {"&H8000000000000000", -9223372036854775808.0},  // lowest signed value
      {"&H7FFFFFFFFFFFFFFF", 9223372036854775807.0},   // rounds to 2^63
      {"&H10000000000000001", 1},                      // wrapped past 64 bits
      {"&B" + std::string(64, '1'), -1},
      {"&1777777777777777777777", -1},
      {"&H1F\0" "FF"s, 31},  // a NUL ends the digits
  };
  expect_all_read(cases);
}

TEST(ToNumber, ZeroXRightAfterTheBlanksGivesZero) {
  const ReadCase cases[] = {
      {"0x1F", 0},
      {"0X1F", 0},
      {"  0x1F", 0},
      {"\t0x1F", 31},     // white space other than blanks: a hexadecimal real
      {"-0x1F", -31},     // after a sign too
      {"\t0x1.8p1", 3},
      {"\t0x1D", 30},     // d is read as e before the hexadecimal digits
      {"\t0x", 0},
  };
  expect_all_read(cases);
}

TEST(ToNumber, WhiteSpaceBeforeARealIsSkipped) {
  const ReadCase cases[] = {
      {"\t12", 12}, {"\n12", 12}, {"\v12", 12}, {"\f12", 12}, {"\r12", 12},
      {" \t 12", 12},
      {"\x0B\x0C-3", -3},
      {"\xA0" "12", 0},   // a non-breaking space is no white space here
  };
  expect_all_read(cases);
}

TEST(ToNumber, WordsForInfinityAndNotANumber) {
  EXPECT_EQ(to_number("inf"), kInf);
  EXPECT_EQ(to_number("INFINITY"), kInf);
  EXPECT_EQ(to_number("-Inf"), -kInf);
  EXPECT_EQ(to_number("\tinfinite"), kInf);  // "inf" is the longest real in it
  EXPECT_TRUE(std::isnan(to_number("nan")));
  EXPECT_TRUE(std::isnan(to_number("NaN")));
  EXPECT_TRUE(std::isnan(to_number("-nan")));
  EXPECT_EQ(to_number("in"), 0);
  EXPECT_EQ(to_number("na"), 0);
}

TEST(ToNumber, RoundsCorrectlyAndSaturatesAtTheEdges) {
  const ReadCase cases[] = {
      {"1e999", kInf},
      {"-1d999", -kInf},
      {"1" + std::string(400, '0'), kInf},
      {"1e-999", 0},
      {"-1e-999", -0.0},
      {"4.9406564584124654e-324", 4.9406564584124654e-324},  // least denormal
      {"2.4703282292062328e-324", 4.9406564584124654e-324},  // just above half of it
      {"2.4703282292062327e-324", 0},                        // just below half
      {"9007199254740993", 9007199254740992.0},  // tie goes to the even neighbour
      {"9007199254740995", 9007199254740996.0},
      {"0.1", 0.1},
      {"1.7976931348623157e308", std::numeric_limits<double>::max()},
      {"1.7976931348623159e308", kInf},
  };
  expect_all_read(cases);
}

TEST(ToNumber, NulByteEndsTheNumber) {
  EXPECT_EQ(to_number("12\0" "34"s), 12);
  EXPECT_EQ(to_number("\0" "12"s), 0);
  EXPECT_EQ(to_number(" \0" " 12"s), 0);
  EXPECT_EQ(to_number("1.5\0" "e3"s), 1.5);
}

TEST(ToNumber, ReadsVeryLongDigitRuns) {
  std::string digits = "0." + std::string(200000, '3');
  EXPECT_EQ(to_number(digits), 1.0 / 3.0);
  EXPECT_EQ(to_number(std::string(200000, '0') + "7"), 7);
}

struct WriteCase {
  double value;
  const char* expected;
};

TEST(NumberText, WritesSixteenSignificantDigitsWithAWideExponent) {
  const WriteCase cases[] = {
      {12, "12"},
      {1.5, "1.5"},
      {0.1, "0.1"},
      {0.0001, "0.0001"},
      {0.00001, "1e-005"},
      {1234567890123456, "1234567890123456"},
      {1e16, "1e+016"},
      {12345678901234567.0, "1.234567890123457e+016"},
      {-0.5, "-0.5"},
      {0, "0"},
      {-7, "-7"},
      {1e15, "1000000000000000"},
      {0.25, "0.25"},
      {1.0 / 3.0, "0.3333333333333333"},
      {2.0 / 3.0, "0.6666666666666666"},
      {0.000123456789012345678, "0.0001234567890123457"},
      {0.000099999999999999999, "0.0001"},  // rounding lifts the exponent
      {9999999999999999.0, "1e+016"},
      {1e100, "1e+100"},
      {-1.5e-300, "-1.5e-300"},
      {std::numeric_limits<double>::max(), "1.797693134862316e+308"},
      {-std::numeric_limits<double>::denorm_min(), "-4.940656458412465e-324"},
      {123456.7890123456789, "123456.7890123457"},
  };
  for (const WriteCase& c : cases) {
    EXPECT_EQ(number_text(c.value), c.expected) << c.expected;
  }
}

TEST(NumberText, NegativeZeroKeepsItsSign) {
  EXPECT_EQ(number_text(-0.0), "-0");
  EXPECT_TRUE(is_number_line("-0"));
  EXPECT_FALSE(is_number_line("-0.0"));
}

TEST(NumberText, NonFiniteTextsDoNotReadBackAsTheirValue) {
  const double values[] = {kInf, -kInf, std::numeric_limits<double>::quiet_NaN(),
                           -std::numeric_limits<double>::quiet_NaN()};
  for (double value : values) {
    std::string text = number_text(value);
    EXPECT_FALSE(text.empty());
    double back = to_number(text);
    EXPECT_TRUE(std::isfinite(back)) << text;
    EXPECT_FALSE(is_number_line(text)) << text;
  }
}

TEST(IsNumberLine, AcceptsTextsWrittenTheWayNumbersAreWritten) {
  const char* const lines[] = {
      "12", "0", "-7", "1.5", "0.25", "0.0001", "1e+016", "1",
      "9007199254740992", "9007199254740991", "1234567890123456",
      "-1234567890123456", "1e-005", "1.234567890123457e+016",
      "0.3333333333333333", "-4.940656458412465e-324",
      "1.797693134862315e+308", "1e+100",
      "123456789012345", "-123456789012345", "100000000000000",
  };
  for (const char* line : lines) EXPECT_TRUE(is_number_line(line)) << line;
}

TEST(IsNumberLine, RejectsEverythingElse) {
  const std::string lines[] = {
      "012", "+12", " 12", "12 ", "12\r", "1.0", "1.50", "5.", ".5", "1e3",
      "1e16", "1,5", "12a", "&H1", "0x1", "", "-", "abc",
      "9007199254740993",   // reads as ...992
      "12345678901234567",  // 17 digits never survive
      "10000000000000000", "99999999999999999",
      "inf", "-inf", "Infinity", "nan", "NaN", "1e999", "-1e999",
      "1d2", "100\0"s, "12\0" "3"s, "\t12", "1e+16", "1E+016", "00",
      "1e-005 ", "0.00001", "1.#INF", "-1.#INF", "1.#QNAN",
      "1.7976931348623157e+308",  // more digits than are ever written
      "1.797693134862316e+308",   // the text of the largest double: overflows
      "1.797693134862316e+309",
      "-00", "-01", "000000000000001", "0000000000000001", "12 3", "1_2",
  };
  for (const std::string& line : lines) {
    EXPECT_FALSE(is_number_line(line)) << '"' << line << '"';
  }
}

TEST(IsNumberLine, AgreesWithReadingAndWritingBack) {
  // The quick rejections must never change an answer: compare with the
  // defining rule over lines of digits, signs, points and exponents.
  const std::string alphabet = "0123456789-+.e ";
  std::string line;
  unsigned seed = 12345;
  for (int i = 0; i < 20000; ++i) {
    seed = seed * 1103515245u + 12345u;
    size_t length = (seed >> 16) % 8;
    line.clear();
    for (size_t k = 0; k < length; ++k) {
      seed = seed * 1103515245u + 12345u;
      line.push_back(alphabet[(seed >> 16) % alphabet.size()]);
    }
    double value = to_number(line);
    bool defined = std::isfinite(value) && number_text(value) == line;
    ASSERT_EQ(is_number_line(line), defined) << '"' << line << '"';
  }
}

}  // namespace
}  // namespace rt
