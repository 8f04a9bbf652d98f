#include "retime/timecode.h"

#include <cmath>
#include <cstring>

#include "text/numbers.h"
#include "text/rounding.h"
#include "text/texts.h"

namespace rt {

namespace {

constexpr double kMsPerHour = 3600000.0;
constexpr double kMsPerMinute = 60000.0;
constexpr double kMsPerSecond = 1000.0;

// What a sum that no signed 32-bit number can hold turns into.
constexpr std::int32_t kOutOfRangeMs = INT32_MIN;

// 1-based positions of the fields in "hh:mm:ss,mmm"; hours are the first two.
constexpr Pos kMinutesAt = 4;
constexpr Pos kSecondsAt = 7;
constexpr Pos kMillisecondsAt = 10;
constexpr Pos kTwoDigits = 2;
constexpr Pos kToTheEnd = -1;

// Rounds half to even and converts, giving kOutOfRangeMs for a value that
// does not fit (infinite and not-a-number included). The range is checked on
// the rounded double, before any conversion, so nothing is undefined.
std::int32_t round_to_ms(double sum) {
  double rounded = nearest_even(sum);
  if (!(rounded >= static_cast<double>(INT32_MIN) &&
        rounded <= static_cast<double>(INT32_MAX))) {
    return kOutOfRangeMs;
  }
  return static_cast<std::int32_t>(rounded);
}

}  // namespace

std::int32_t timecode_to_ms(const std::string& timecode) {
  double hours = to_number(left_text(timecode, kTwoDigits));
  double minutes = to_number(mid_text(timecode, kMinutesAt, kTwoDigits));
  double seconds = to_number(mid_text(timecode, kSecondsAt, kTwoDigits));
  double milliseconds =
      to_number(mid_text(timecode, kMillisecondsAt, kToTheEnd));

  // Summed in this order, each partial sum stored as a double, so fractional
  // and oversized fields round the same way on every build.
  double sum = hours * kMsPerHour;
  sum = sum + minutes * kMsPerMinute;
  sum = sum + seconds * kMsPerSecond;
  sum = sum + milliseconds;
  return round_to_ms(sum);
}

TimecodeTexts split_timecode_line(const std::string& line) {
  // The one character on each side of the arrow is dropped unseen; without
  // the blanks there a digit is lost instead. A line without an arrow is not
  // passed here; it would give an empty start and the text from position 4.
  Pos arrow_at = find(1, line, kArrow);
  TimecodeTexts texts;
  texts.start = left_text(line, arrow_at - 2);
  texts.end = mid_text(line, arrow_at + 4, kToTheEnd);
  return texts;
}

std::int32_t cue_duration(const std::string& line) {
  TimecodeTexts texts = split_timecode_line(line);
  std::int64_t difference = static_cast<std::int64_t>(timecode_to_ms(texts.end)) -
                            static_cast<std::int64_t>(timecode_to_ms(texts.start));
  // The difference of two 32-bit values needs 33 bits; it wraps to 32 as
  // signed 32-bit arithmetic would, spelled out so that no overflow occurs.
  std::uint32_t low_bits = static_cast<std::uint32_t>(difference);
  return low_bits <= static_cast<std::uint32_t>(INT32_MAX)
             ? static_cast<std::int32_t>(low_bits)
             : static_cast<std::int32_t>(static_cast<std::int64_t>(low_bits) -
                                         (std::int64_t{1} << 32));
}

namespace {

// The usual layout: "hh:mm:ss,mmm", the arrow and its blanks, and the end
// time again, 29 characters.
constexpr std::size_t kTimecodeLength = 12;
constexpr std::size_t kUsualArrowAt = kTimecodeLength + 1;
static_assert(kUsualTimecodeLineLength == kUsualArrowAt + 4 + kTimecodeLength, "two times and the arrow");
// Bytes 0-7 ("hh:mm:ss") and 8-11 (",mmm") of a timecode, each taken as a
// word whose lowest byte is the first, so that all its digits are checked
// in two steps: masks of the bytes that must be digits.
constexpr std::uint64_t kHeadDigits = 0xFFFF00FFFF00FFFFu;  // h h : m m : s s
constexpr std::uint64_t kTailDigits = 0xFFFFFF00u;          // , m m m
constexpr std::uint64_t kEveryByte = 0x0101010101010101u;

// The sizeof(Word) bytes at t as a number whose lowest byte is the first.
template <typename Word>
std::uint64_t word_at(const char* t) {
  Word word = 0;
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::memcpy(&word, t, sizeof word);
#else
  for (std::size_t i = sizeof word; i-- > 0;) word = static_cast<Word>(word << 8 | static_cast<unsigned char>(t[i]));
#endif
  return word;
}

// Whether every byte of word that mask selects is a digit: its high half is
// 3, and its low half plus 6 stays below 16 (no carry leaves a byte, as
// the first test keeps every selected byte below 0x40).
bool all_digits(std::uint64_t word, std::uint64_t mask) {
  const std::uint64_t selected = word & mask;
  const std::uint64_t high_halves = 0xF0 * kEveryByte & mask;
  const std::uint64_t threes = 0x30 * kEveryByte & mask;
  return (selected & high_halves) == threes && ((selected + (0x06 * kEveryByte & mask)) & high_halves) == threes;
}

// The value of a timecode of the usual layout at t, when all its fields are
// digits: then each field reads as its whole number and the sum of
// timecode_to_ms is exact, below 2^31, and no rounding changes it.
bool usual_timecode_ms(const char* t, std::int32_t& ms) {
  const std::uint64_t head = word_at<std::uint64_t>(t);
  const std::uint64_t tail = word_at<std::uint32_t>(t + 8);
  if (!all_digits(head, kHeadDigits) || !all_digits(tail, kTailDigits)) return false;
  auto two = [t](std::size_t at) { return (t[at] - '0') * 10 + (t[at + 1] - '0'); };
  const std::int32_t milliseconds = (t[9] - '0') * 100 + (t[10] - '0') * 10 + (t[11] - '0');
  ms = two(0) * 3600000 + two(3) * 60000 + two(6) * 1000 + milliseconds;
  return true;
}

}  // namespace

std::int32_t cue_duration_at(std::string_view line, std::size_t arrow) {
  std::int32_t duration = 0;
  if (arrow == kUsualArrowAt && usual_cue_duration(line, duration)) return duration;
  return cue_duration(std::string(line));
}

// Digits before the arrow leave no room for an earlier one: an arrow
// beginning before index 13 would need "-" or ">" where a digit stands.
bool usual_length_cue_duration(std::string_view line, std::int32_t& duration) {
  std::int32_t start = 0;
  std::int32_t end = 0;
  if (line.size() != kUsualTimecodeLineLength || line.compare(kUsualArrowAt, kArrow.size(), kArrow) != 0 ||
      !usual_timecode_ms(line.data(), start) || !usual_timecode_ms(line.data() + kUsualArrowAt + 4, end)) {
    return false;
  }
  duration = end - start;  // both from 0 to 362439999: no wrap
  return true;
}

}  // namespace rt
