#include "retime/cut_rule.h"

namespace rt {
namespace {

struct VowelTable {
  bool of[256] = {};
  VowelTable() {
    for (char c : kVowels) of[static_cast<unsigned char>(c)] = true;
  }
};

const VowelTable& vowel_table() {
  static const VowelTable table;
  return table;
}

}  // namespace

bool is_vowel(unsigned char c) { return vowel_table().of[c]; }

std::int64_t count_vowels(const std::string& text) {
  const VowelTable& table = vowel_table();
  std::int64_t vowels = 0;
  for (char c : text) vowels += table.of[static_cast<unsigned char>(c)] ? 1 : 0;
  return vowels;
}

}  // namespace rt
