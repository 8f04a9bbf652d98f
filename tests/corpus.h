// The sample corpus: real subtitle files and texts that lie beside the
// repository on the developers' machines only (they are other people's
// texts and not part of the project). Its folder is the build's
// RETIME_CORPUS_DIR. A test that needs it starts with REQUIRE_CORPUS():
// where the folder is missing the test is skipped with a line naming it,
// except with CI=true in the environment, where a missing corpus fails the
// test, so that CI never passes by skipping.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace rt_test {

inline std::string corpus_dir() { return RETIME_CORPUS_DIR; }

inline bool corpus_present() {
  std::error_code error;
  return std::filesystem::is_directory(corpus_dir(), error);
}

inline bool corpus_required() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string(ci) == "true";
}

}  // namespace rt_test

// A macro, because GTEST_SKIP and FAIL return from the test itself.
#define REQUIRE_CORPUS()                                                          \
  do {                                                                            \
    if (!::rt_test::corpus_present()) {                                           \
      if (::rt_test::corpus_required()) {                                         \
        FAIL() << "the sample corpus is missing: " << ::rt_test::corpus_dir()     \
               << " (CI=true needs it; set RETIME_CORPUS_DIR)";                   \
      }                                                                           \
      GTEST_SKIP() << "sample corpus not found: " << ::rt_test::corpus_dir();     \
    }                                                                             \
  } while (false)
