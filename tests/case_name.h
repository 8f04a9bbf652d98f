// Names of parameterised test cases, made from the cases' own descriptions
// (every byte that is not a letter or digit becomes "_").
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace rt_test {

template <typename Case>
std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  std::string name;
  for (const char* p = info.param.name; *p != '\0'; ++p)
    name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
  return name;
}

}  // namespace rt_test
