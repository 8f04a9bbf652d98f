#include "text/arithmetic.h"

#include <gtest/gtest.h>

#include <thread>

namespace rt {
namespace {

// A new thread may start with another control word (on Windows, 53-bit
// precision): set_up_arithmetic must give it the extended one, and long
// double sums must then keep all 64 bits of the mantissa.
TEST(Arithmetic, SetUpGivesExtendedPrecisionRoundingToNearest) {
  unsigned word = 0;
  long double sum = 0;
  std::thread worker([&] {
    set_up_arithmetic();
    word = arithmetic_control_word();
    volatile long double tiny = 1.0L / (1ULL << 62);
    sum = 1.0L + tiny;
  });
  worker.join();
  EXPECT_EQ(word, 0x037Fu);
  EXPECT_NE(sum, 1.0L);
}

}  // namespace
}  // namespace rt
