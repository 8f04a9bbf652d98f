// The reading and writing of numbers under a POSIX locale whose decimal
// point is a comma (installed, or compiled with localedef).
#include "text/numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace rt {
namespace {

// Sets LC_NUMERIC for one test and puts the previous setting back.
class NumericLocale {
 public:
  NumericLocale() : previous_(std::setlocale(LC_NUMERIC, nullptr)) {
    const char* path = std::getenv("LOCPATH");
    had_locpath_ = path != nullptr;
    if (had_locpath_) previous_locpath_ = path;
  }
  ~NumericLocale() {
    std::setlocale(LC_NUMERIC, previous_.c_str());
    if (had_locpath_) {
      setenv("LOCPATH", previous_locpath_.c_str(), 1);
    } else {
      unsetenv("LOCPATH");
    }
    if (!built_in_.empty()) std::filesystem::remove_all(built_in_);
  }

  // Switches to a locale whose decimal point is a comma: an installed one,
  // or else one compiled into a temporary directory. False when neither works.
  bool use_comma_decimal_point() {
    const char* const installed[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE",
                                     "de_DE@euro", "fr_FR.UTF-8", "fr_FR"};
    for (const char* name : installed) {
      if (std::setlocale(LC_NUMERIC, name) && has_comma_point()) return true;
    }
    return build_comma_locale() && std::setlocale(LC_NUMERIC, "xx_XX") &&
           has_comma_point();
  }

 private:
  static bool has_comma_point() {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
    return std::string(buffer) == "1,5";
  }

  // A locale that is "POSIX" except for a comma as decimal point, compiled
  // with localedef and found through LOCPATH.
  bool build_comma_locale() {
    char pattern[] = "/tmp/retime-locale-XXXXXX";
    if (!mkdtemp(pattern)) return false;
    built_in_ = pattern;
    std::string source = built_in_ + "/comma";
    {
      std::ofstream out(source);
      const char* const copied[] = {
          "LC_CTYPE", "LC_COLLATE", "LC_TIME", "LC_MONETARY", "LC_MESSAGES",
          "LC_PAPER", "LC_NAME", "LC_ADDRESS", "LC_TELEPHONE",
          "LC_MEASUREMENT", "LC_IDENTIFICATION"};
      for (const char* category : copied) {
        out << category << "\ncopy \"POSIX\"\nEND " << category << "\n";
      }
      out << "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\n"
             "grouping 3;3\nEND LC_NUMERIC\n";
    }
    // localedef warns about the categories POSIX leaves thin; -c writes the
    // locale anyway, and the check of the decimal point decides.
    std::string command = "localedef -c -i '" + source +
                          "' -f ANSI_X3.4-1968 '" + built_in_ +
                          "/xx_XX' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1) return false;
    setenv("LOCPATH", built_in_.c_str(), 1);
    return true;
  }

  std::string previous_;
  bool had_locpath_ = false;
  std::string previous_locpath_;
  std::string built_in_;
};

void expect_point_is_a_dot() {
  EXPECT_EQ(to_number("1.5"), 1.5);
  EXPECT_EQ(to_number("1,5"), 1);
  EXPECT_EQ(to_number("\t-2.25e1"), -22.5);
  EXPECT_EQ(number_text(1.5), "1.5");
  EXPECT_EQ(number_text(0.00001), "1e-005");
  EXPECT_EQ(number_text(12345678901234567.0), "1.234567890123457e+016");
  EXPECT_TRUE(is_number_line("1.5"));
  EXPECT_FALSE(is_number_line("1,5"));
}

TEST(NumbersAndLocale, DecimalPointStaysADotUnderACommaLocale) {
  NumericLocale locale;
  if (!locale.use_comma_decimal_point()) {
    GTEST_SKIP() << "no locale with a comma decimal point could be set";
  }
  expect_point_is_a_dot();
}

TEST(NumbersAndLocale, UnaffectedBySwitchingTheNumericLocale) {
  NumericLocale locale;
  const char* const names[] = {"C", "POSIX", "C.UTF-8", ""};
  for (const char* name : names) {
    if (!std::setlocale(LC_NUMERIC, name)) continue;
    SCOPED_TRACE(name);
    expect_point_is_a_dot();
  }
}

}  // namespace
}  // namespace rt
