#include "text/rounding.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace rt {
namespace {

// The values where roundings go wrong: halves, the double just below a
// half, the edges of the fraction bits, signed zeros and infinities. The
// expected values are the exact ones; the C runtime's own functions are no
// reference everywhere (MinGW's llround turns 0.49999999999999994 into 1).
struct RoundingCase {
  double x;
  double even;      // to nearest, ties to even, sign kept
  long long away;   // to nearest, halves away from zero
};

TEST(Rounding, GivesTheExactResults) {
  const double below_half = std::nextafter(0.5, 0.0);
  const RoundingCase cases[] = {
      {0.0, 0.0, 0},
      {-0.0, -0.0, 0},
      {0.3, 0.0, 0},
      {-0.3, -0.0, 0},
      {0.5, 0.0, 1},
      {-0.5, -0.0, -1},
      {1.5, 2.0, 2},
      {-1.5, -2.0, -2},
      {2.5, 2.0, 3},
      {-2.5, -2.0, -3},
      {below_half, 0.0, 0},
      {-below_half, -0.0, 0},
      {1584.0000000000002, 1584.0, 1584},
      {899.9999999999999, 900.0, 900},
      {4503599627370495.5, 4503599627370496.0, 4503599627370496},
      {-4503599627370495.5, -4503599627370496.0, -4503599627370496},
      {4503599627370496.0, 4503599627370496.0, 4503599627370496},
      {9007199254740993.0, 9007199254740992.0, 9007199254740992},
  };
  for (const RoundingCase& c : cases) {
    EXPECT_EQ(nearest_even(c.x), c.even) << c.x;
    EXPECT_EQ(std::signbit(nearest_even(c.x)), std::signbit(c.even)) << c.x;
    EXPECT_EQ(nearest_away(c.x), c.away) << c.x;
  }
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(nearest_even(inf), inf);
  EXPECT_EQ(nearest_even(-inf), -inf);
  EXPECT_EQ(nearest_even(1e300), 1e300);
  EXPECT_TRUE(std::isnan(nearest_even(std::nan(""))));

  // The float next to a float, against the C runtime's, which is exact here.
  const float float_inf = std::numeric_limits<float>::infinity();
  const float floats[] = {1.0f, -1.0f, 0.0f, -0.0f, 1.001f, std::numeric_limits<float>::denorm_min(),
                          -std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max(), 3e-39f};
  for (float f : floats) {
    for (float to : {float_inf, -float_inf, 0.0f, 1.0f}) {
      const float ours = next_float_toward(f, to);
      const float theirs = std::nextafter(f, to);
      EXPECT_EQ(ours, theirs) << f << " toward " << to;
      EXPECT_EQ(std::signbit(ours), std::signbit(theirs)) << f << " toward " << to;
    }
  }
}

}  // namespace
}  // namespace rt
