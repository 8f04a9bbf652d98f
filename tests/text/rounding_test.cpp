#include "text/rounding.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace rt {
namespace {

// Each written-out rounding against the library function it stands for, on
// the values where roundings go wrong: halves, the double just below a half,
// the edges of the fraction bits, signed zeros, infinities and not-a-number.
TEST(Rounding, GivesWhatTheMathsLibraryGives) {
  const double below_half = std::nextafter(0.5, 0.0);
  const double values[] = {0.0, -0.0, 0.3, -0.3, 0.5, -0.5, 1.5, -1.5, 2.5, -2.5, below_half, -below_half,
                           1584.0000000000002, 899.9999999999999, 4503599627370495.5, -4503599627370495.5,
                           4503599627370496.0, 9007199254740993.0, 1e300, -1e300,
                           std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
  for (double x : values) {
    const double even = nearest_even(x);
    EXPECT_EQ(even, std::nearbyint(x)) << x;
    EXPECT_EQ(std::signbit(even), std::signbit(std::nearbyint(x))) << x;
    if (std::fabs(x) < 1e18) {
      EXPECT_EQ(nearest_away(x), std::llround(x)) << x;
    }
  }
  EXPECT_TRUE(std::isnan(nearest_even(std::nan(""))));

  const float inf = std::numeric_limits<float>::infinity();
  const float floats[] = {1.0f, -1.0f, 0.0f, -0.0f, 1.001f, std::numeric_limits<float>::denorm_min(),
                          -std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max(), 3e-39f};
  for (float f : floats) {
    for (float to : {inf, -inf, 0.0f, 1.0f}) {
      const float ours = next_float_toward(f, to);
      const float theirs = std::nextafter(f, to);
      EXPECT_EQ(ours, theirs) << f << " toward " << to;
      EXPECT_EQ(std::signbit(ours), std::signbit(theirs)) << f << " toward " << to;
    }
  }
}

}  // namespace
}  // namespace rt
