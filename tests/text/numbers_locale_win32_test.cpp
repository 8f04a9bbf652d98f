// The reading and writing of numbers under a Windows locale whose decimal
// point is a comma: the C runtime's reader would take "1,5" as 1.5.
#include "text/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <string>

namespace rt {
namespace {

TEST(NumbersAndLocale, WindowsCommaLocaleLeavesTheDotAsPoint) {
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "German_Germany.1252") == nullptr) {
    GTEST_SKIP() << "the German locale cannot be set";
  }
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
  const std::string printed = buffer;
  const double dot = to_number("1.5");
  const double comma = to_number("1,5");
  const double exponent = to_number("\t-2.25e1");
  const double points = to_number("1.2.3");
  const double infinity = to_number("inf");
  std::setlocale(LC_ALL, previous.c_str());

  ASSERT_EQ(printed, "1,5");
  EXPECT_EQ(dot, 1.5);
  EXPECT_EQ(comma, 1);
  EXPECT_EQ(exponent, -22.5);
  EXPECT_EQ(points, 1.2);
  EXPECT_TRUE(std::isinf(infinity));
}

}  // namespace
}  // namespace rt
