#include "text/visible_text.h"

namespace rt {
namespace {

constexpr unsigned char kBell = 7;
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

bool is_command_character(char32_t c) {
  if (c < kFirstPrintable)
    return c != kBell && c != kBackspace && c != kTab && c != kLineFeed &&
           c != kCarriageReturn;
  return c >= kDelete && c <= kLastC1;
}

std::string shown_command_character(char32_t c) {
  if (c == kDelete) return "^?";
  if (c > kDelete) return "M-" + shown_command_character(c - kC1Offset);
  return std::string("^") + static_cast<char>(c + kCaretOffset);
}

std::string visible_text(const std::string& t, bool utf8) {
  std::string shown;
  shown.reserve(t.size());
  std::size_t at = 0;
  while (at < t.size()) {
    std::size_t length = utf8 ? utf8_sequence_length(t, at) : 1;
    char32_t c = static_cast<unsigned char>(t[at]);
    if (length > 1) c = utf8_code_point(t, at, length);
    // In UTF-8 a byte of no valid sequence is no control: the terminal
    // shows it as a replacement character.
    if (length == 0) length = 1;
    else if (is_command_character(c)) {
      shown += shown_command_character(c);
      at += length;
      continue;
    }
    shown.append(t, at, length);
    at += length;
  }
  return shown;
}

}  // namespace rt
