#include "text/numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "platform/numbers.h"

namespace rt {

namespace {

// Value of byte c as a digit of base, or -1 when it is none.
int digit_value(char c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') {
    value = c - '0';
  } else if (c >= 'a' && c <= 'f') {
    value = c - 'a' + 10;
  } else if (c >= 'A' && c <= 'F') {
    value = c - 'A' + 10;
  }
  return value < base ? value : -1;
}

// The whole number after "&H", "&O", "&B" or a bare "&", starting at from.
// The digits wrap as an unsigned 64-bit number whose bits are then taken as
// signed, so "&HFFFFFFFFFFFFFFFF" is -1.
double ampersand_number(const std::string& t, size_t from, int base) {
  std::uint64_t gathered = 0;
  for (size_t i = from; i < t.size(); ++i) {
    int digit = digit_value(t[i], base);
    if (digit < 0) break;
    gathered = gathered * static_cast<std::uint64_t>(base) +
               static_cast<std::uint64_t>(digit);
  }
  // Two's complement reading without an implementation-defined conversion.
  std::int64_t as_signed =
      gathered <= static_cast<std::uint64_t>(INT64_MAX)
          ? static_cast<std::int64_t>(gathered)
          : -static_cast<std::int64_t>(~gathered) - 1;
  return static_cast<double>(as_signed);
}

int ampersand_base(char selector) {
  switch (selector) {
    case 'H':
    case 'h':
      return 16;
    case 'O':
    case 'o':
      return 8;
    case 'B':
    case 'b':
      return 2;
    default:
      return 0;  // not a selector: octal digits right after the "&"
  }
}

// The longest beginning of t (from position from) that forms a real, with
// d/D taken as e/E. A NUL byte ends the number, as the copy below stops there.
double real_number(const std::string& t, size_t from) {
  std::string copy;
  copy.reserve(t.size() - from);
  for (size_t i = from; i < t.size() && t[i] != '\0'; ++i) {
    char c = t[i];
    if (c == 'd') c = 'e';
    if (c == 'D') c = 'E';
    copy.push_back(c);
  }
  // Reading must use "." as the decimal point whatever locale the process
  // runs in (a German locale writes "1,5"). Rounded to nearest, signed
  // infinity on overflow, 0 or a denormal on underflow, 0 when nothing can
  // be read.
  return native::read_c_real(copy.c_str());
}

// number_text never writes more than 23 bytes: "-1.234567890123457e-308".
constexpr size_t kLongestNumberText = 23;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Whole numbers of up to 15 digits are below 2^53: a double holds each
// exactly, so reading and writing them needs no rounding.
constexpr size_t kExactDigits = 15;

// The number of decimal digits in t from position from on.
size_t digits_at(const std::string& t, size_t from) {
  size_t end = from;
  while (end < t.size() && is_digit(t[end])) ++end;
  return end - from;
}

// The value of t from position from, when it is a run of at most
// kExactDigits decimal digits that nothing after it can continue as a real
// (no point, no exponent letter, d and D included): the value the full
// reading gives too, without copying the text or calling the reader. Cue
// numbers and the fields of timecodes are such runs.
bool plain_whole_number(const std::string& t, size_t from, double& value) {
  const size_t digits = digits_at(t, from);
  if (digits == 0 || digits > kExactDigits) return false;
  const size_t end = from + digits;
  if (end < t.size()) {
    const char next = t[end];
    if (next == '.' || next == 'e' || next == 'E' || next == 'd' || next == 'D') return false;
  }
  std::int64_t whole = 0;
  for (size_t i = from; i < end; ++i) whole = whole * 10 + (t[i] - '0');
  value = static_cast<double>(whole);
  return true;
}

// The bytes number_text writes for a finite value.
bool is_number_text_byte(char c) { return is_digit(c) || c == '-' || c == '.' || c == 'e' || c == '+'; }

}  // namespace

namespace {

// to_number up to the real reading, which takes the text from position from.
template <typename ReadReal>
double to_number_with(const std::string& t, ReadReal read_real) {
  size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  size_t left = t.size() - i;
  if (left == 0) return 0.0;
  if (left >= 2 && t[i] == '&') {
    int base = ampersand_base(t[i + 1]);
    if (base != 0) return ampersand_number(t, i + 2, base);
    return ampersand_number(t, i + 1, 8);
  }
  if (left >= 2 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
    return 0.0;
  }
  return read_real(t, i);
}

}  // namespace

double to_number(const std::string& t) {
  return to_number_with(t, [](const std::string& text, size_t from) {
    double value;
    return plain_whole_number(text, from, value) ? value : real_number(text, from);
  });
}

double to_number_in_full(const std::string& t) { return to_number_with(t, real_number); }

std::string number_text(double x) {
  // Neither "inf" nor "nan": those would read back as the same value and a
  // line holding them could pass for a number. These read back as 1 or -1.
  if (std::isnan(x)) return std::signbit(x) ? "-1.#QNAN" : "1.#QNAN";
  if (std::isinf(x)) return x < 0 ? "-1.#INF" : "1.#INF";

  // "%.16g" in the C locale, so the decimal point is "." whatever the
  // process locale. Negative zero keeps its sign ("-0").
  char buffer[48];
  const int written = native::write_c_real(x, buffer, sizeof buffer);
  std::string text(buffer, written > 0 ? static_cast<std::size_t>(written) : 0);

  // The exponent gets at least three digits: "1e+16" becomes "1e+016".
  size_t e = text.find('e');
  if (e != std::string::npos) {
    size_t digits_at = e + 2;  // past "e" and its sign
    while (text.size() - digits_at < 3) text.insert(digits_at, 1, '0');
  }
  return text;
}

bool is_number_line(std::string_view t) {
  // Cheap answers that cannot differ from the full one: a finite value's
  // number_text is never empty, never longer than kLongestNumberText, starts
  // with a digit or "-", ends with a digit and holds no other bytes than
  // digits, "-", ".", "e" and "+". Most text lines fail here without being
  // read as a number.
  if (t.empty() || t.size() > kLongestNumberText) return false;
  if (!is_digit(t.front()) && t.front() != '-') return false;
  if (!is_digit(t.back())) return false;
  // A cue number: digits alone, perhaps after a "-". Up to kExactDigits
  // digits the value is held exactly and written back digit for digit,
  // without leading zeros ("0" and "-0" are written as themselves).
  const size_t sign = t.front() == '-' ? 1 : 0;
  size_t digits = 0;
  while (sign + digits < t.size() && is_digit(t[sign + digits])) ++digits;
  if (sign + digits == t.size() && digits <= kExactDigits) return t[sign] != '0' || digits == 1;
  for (char c : t) {
    if (!is_number_text_byte(c)) return false;
  }

  double value = to_number(std::string(t));
  return std::isfinite(value) && number_text(value) == t;
}

}  // namespace rt
