#include "text/visible_text.h"

namespace rt {
namespace {

constexpr unsigned char kBackspace = 8;
constexpr unsigned char kTab = 9;
constexpr unsigned char kLineFeed = 10;
constexpr unsigned char kCarriageReturn = 13;
constexpr char32_t kFirstPrintable = 0x20;
constexpr char32_t kDelete = 0x7F;
constexpr char32_t kLastC1 = 0x9F;
constexpr char32_t kC1Offset = 0x80;
constexpr char32_t kCaretOffset = 0x40;  // ^A is 0x01 + 0x40
constexpr char32_t kSurrogateFirst = 0xD800;
constexpr char32_t kSurrogateLast = 0xDFFF;
constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr std::size_t kLongestUtf8Sequence = 4;
// The smallest code point that needs 2, 3, 4 bytes; less is overlong.
constexpr char32_t kLeastOfLength[] = {0, 0, 0x80, 0x800, 0x10000};

struct Range {
  char32_t first;
  char32_t last;
};

// Combining marks and other characters of no width.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x05BF, 0x05BF},
    {0x05C1, 0x05C2}, {0x05C4, 0x05C5}, {0x05C7, 0x05C7}, {0x0610, 0x061A},
    {0x064B, 0x065F}, {0x0670, 0x0670}, {0x06D6, 0x06DC}, {0x06DF, 0x06E4},
    {0x06E7, 0x06E8}, {0x06EA, 0x06ED}, {0x0900, 0x0902}, {0x093C, 0x093C},
    {0x0941, 0x0948}, {0x094D, 0x094D}, {0x0E31, 0x0E31}, {0x0E34, 0x0E3A},
    {0x0E47, 0x0E4E}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
    {0x202A, 0x202E}, {0x2060, 0x2064}, {0x20D0, 0x20FF}, {0x302A, 0x302D},
    {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF},
    {0xE0001, 0xE007F}, {0xE0100, 0xE01EF},
};

// East Asian wide and full-width characters, and the wide emoji blocks.
constexpr Range kDoubleWidth[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},
    {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},
    {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},
    {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},
    {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD},
    {0x30000, 0x3FFFD},
};

template <std::size_t N>
bool in_ranges(char32_t c, const Range (&ranges)[N]) {
  for (const Range& r : ranges)
    if (c >= r.first && c <= r.last) return true;
  return false;
}

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// A double-byte code page: which bytes lead a character, and which may
// follow a lead byte as its trail byte.
struct DoubleByteSet {
  CharacterSet set;
  Range leads[2];
  Range trails[3];
};

constexpr DoubleByteSet kDoubleByteSets[] = {
    {CharacterSet::shift_jis, {{0x81, 0x9F}, {0xE0, 0xFC}},
     {{0x40, 0x7E}, {0x80, 0xFC}, {0, 0}}},
    {CharacterSet::gbk, {{0x81, 0xFE}, {0, 0}}, {{0x40, 0x7E}, {0x80, 0xFE}, {0, 0}}},
    {CharacterSet::uhc, {{0x81, 0xFE}, {0, 0}},
     {{0x41, 0x5A}, {0x61, 0x7A}, {0x81, 0xFE}}},
    {CharacterSet::big5, {{0x81, 0xFE}, {0, 0}}, {{0x40, 0x7E}, {0xA1, 0xFE}, {0, 0}}},
};

const DoubleByteSet* double_byte_set(CharacterSet set) {
  for (const DoubleByteSet& d : kDoubleByteSets)
    if (d.set == set) return &d;
  return nullptr;
}

// The unused entries of the tables are {0, 0}, which no byte from 0x81 up
// (nor any trail byte) meets.
template <std::size_t N>
bool in_byte_ranges(unsigned char b, const Range (&ranges)[N]) {
  for (const Range& r : ranges)
    if (r.last != 0 && b >= r.first && b <= r.last) return true;
  return false;
}

std::size_t length_from_lead(unsigned char b) {
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) return 2;
  if ((b & 0xF0) == 0xE0) return 3;
  if ((b & 0xF8) == 0xF0) return 4;
  return 0;
}

}  // namespace

char32_t utf8_code_point(const std::string& t, std::size_t at,
                         std::size_t length) {
  static constexpr unsigned char kLeadBits[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t c = static_cast<unsigned char>(t[at]) & kLeadBits[length];
  for (std::size_t i = 1; i < length; ++i)
    c = (c << 6) | (static_cast<unsigned char>(t[at + i]) & 0x3F);
  return c;
}

std::size_t utf8_sequence_length(const std::string& t, std::size_t at) {
  if (at >= t.size()) return 0;
  const std::size_t length =
      length_from_lead(static_cast<unsigned char>(t[at]));
  if (length == 0 || at + length > t.size()) return 0;
  for (std::size_t i = 1; i < length; ++i)
    if (!is_continuation(static_cast<unsigned char>(t[at + i]))) return 0;
  if (length == 1) return 1;
  const char32_t c = utf8_code_point(t, at, length);
  if (c < kLeastOfLength[length] || c > kLastCodePoint) return 0;
  if (c >= kSurrogateFirst && c <= kSurrogateLast) return 0;
  return length;
}

int code_point_cells(char32_t c) {
  if (in_ranges(c, kZeroWidth)) return 0;
  if (in_ranges(c, kDoubleWidth)) return 2;
  return 1;
}

TextCharacter character_at(const std::string& t, std::size_t at, CharacterSet set) {
  TextCharacter c;
  const unsigned char b = static_cast<unsigned char>(t[at]);
  c.code = b;
  if (set == CharacterSet::utf8) {
    const std::size_t length = utf8_sequence_length(t, at);
    if (length == 0) c.valid = false;
    if (length > 1) {
      c.length = length;
      c.code = utf8_code_point(t, at, length);
    }
    return c;
  }
  const DoubleByteSet* d = double_byte_set(set);
  if (d == nullptr || !in_byte_ranges(b, d->leads)) return c;
  if (at + 1 < t.size() && in_byte_ranges(static_cast<unsigned char>(t[at + 1]), d->trails)) {
    c.length = 2;
    c.code = (char32_t{b} << 8) | static_cast<unsigned char>(t[at + 1]);
  } else {
    c.valid = false;
  }
  return c;
}

bool ends_in_unfinished_character(const std::string& t, std::size_t end, CharacterSet set) {
  if (end > t.size()) end = t.size();
  if (set == CharacterSet::utf8) {
    for (std::size_t back = 1; back < kLongestUtf8Sequence && back <= end; ++back) {
      const unsigned char b = static_cast<unsigned char>(t[end - back]);
      if (is_continuation(b)) continue;  // look further back for the lead
      return length_from_lead(b) > back;
    }
    return false;
  }
  const DoubleByteSet* d = double_byte_set(set);
  if (d == nullptr) return false;
  // Lead and trail bytes share values: only a walk from the start tells
  // which is which.
  const std::string before = t.substr(0, end);
  std::size_t at = 0;
  while (at < before.size()) {
    const TextCharacter c = character_at(before, at, set);
    if (!c.valid && at + 1 == before.size()) return true;
    at += c.length;
  }
  return false;
}

bool is_command_character(const TextCharacter& c, CharacterSet set) {
  if (!c.valid) return false;
  if (c.code < kFirstPrintable)
    return c.code != kBell && c.code != kBackspace && c.code != kTab &&
           c.code != kLineFeed && c.code != kCarriageReturn;
  if (c.code == kDelete) return true;
  const bool has_c1 = set == CharacterSet::single_byte_with_c1 || set == CharacterSet::utf8;
  return has_c1 && c.code > kDelete && c.code <= kLastC1;
}

int character_cells(const TextCharacter& c, CharacterSet set) {
  if (!c.valid) return 1;
  if (set == CharacterSet::utf8) return code_point_cells(c.code);
  return static_cast<int>(c.length);
}

std::string shown_command_character(char32_t c) {
  if (c == kDelete) return "^?";
  if (c > kDelete) return "M-" + shown_command_character(c - kC1Offset);
  return std::string("^") + static_cast<char>(c + kCaretOffset);
}

std::size_t text_cells(const std::string& t, CharacterSet set) {
  std::size_t total = 0;
  for (std::size_t at = 0; at < t.size();) {
    const TextCharacter c = character_at(t, at, set);
    total += static_cast<std::size_t>(character_cells(c, set));
    at += c.length;
  }
  return total;
}

std::string visible_text(const std::string& t, CharacterSet set) {
  std::string shown;
  shown.reserve(t.size());
  std::size_t at = 0;
  while (at < t.size()) {
    // A byte that starts no valid character is no control: the terminal
    // shows it as a replacement character.
    const TextCharacter c = character_at(t, at, set);
    if (is_command_character(c, set))
      shown += shown_command_character(c.code);
    else
      shown.append(t, at, c.length);
    at += c.length;
  }
  return shown;
}

}  // namespace rt
