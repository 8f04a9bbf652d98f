#include "text/encodings.h"

#include "text/visible_text.h"

namespace rt {
namespace {

constexpr unsigned char kFirstHighByte = 0x80;
constexpr unsigned char kLastHighByte = 0x9F;

// Windows-1252's characters for the bytes 0x80..0x9F; 0 where it assigns
// none.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool starts_with_utf8_mark(const std::string& t) { return t.compare(0, kUtf8ByteOrderMark.size(), kUtf8ByteOrderMark) == 0; }

}  // namespace

bool drop_utf8_mark(std::string& t) {
  if (!starts_with_utf8_mark(t)) return false;
  t.erase(0, kUtf8ByteOrderMark.size());
  return true;
}

bool reads_as_utf8(const std::string& t) {
  if (starts_with_utf8_mark(t)) return true;
  bool multi_byte = false;
  for (std::size_t at = 0; at < t.size();) {
    if (static_cast<unsigned char>(t[at]) < 0x80) {
      ++at;
      continue;
    }
    const std::size_t length = utf8_sequence_length(t, at);
    if (length == 0) return false;
    multi_byte = true;
    at += length;
  }
  return multi_byte;
}

std::size_t character_length(const std::string& t, std::size_t at, bool utf8) {
  if (!utf8 || static_cast<unsigned char>(t[at]) < 0x80) return 1;
  const std::size_t length = utf8_sequence_length(t, at);
  return length == 0 ? 1 : length;
}

char32_t windows_1252_code_point(unsigned char b) {
  if (b < kFirstHighByte || b > kLastHighByte) return b;
  return kWindows1252High[b - kFirstHighByte];
}

int windows_1252_byte(char32_t c) {
  if (c < kFirstHighByte || (c > kLastHighByte && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i) {
    if (kWindows1252High[i] != 0 && kWindows1252High[i] == c) return kFirstHighByte + i;
  }
  return -1;
}

}  // namespace rt
