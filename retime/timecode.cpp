#include "retime/timecode.h"

#include <cmath>

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
constexpr std::size_t kUsualLineLength = kUsualArrowAt + 4 + kTimecodeLength;
// Where the digits of "hh:mm:ss,mmm" stand, 0-based.
constexpr std::size_t kDigitAt[] = {0, 1, 3, 4, 6, 7, 9, 10, 11};

bool is_digit_byte(char c) { return c >= '0' && c <= '9'; }

// The value of a timecode of the usual layout at t, when all its fields are
// digits: then each field reads as its whole number and the sum of
// timecode_to_ms is exact, below 2^31, and no rounding changes it.
bool usual_timecode_ms(const char* t, std::int32_t& ms) {
  for (std::size_t at : kDigitAt) {
    if (!is_digit_byte(t[at])) return false;
  }
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
bool usual_cue_duration(std::string_view line, std::int32_t& duration) {
  std::int32_t start = 0;
  std::int32_t end = 0;
  if (line.size() != kUsualLineLength || line.compare(kUsualArrowAt, kArrow.size(), kArrow) != 0 ||
      !usual_timecode_ms(line.data(), start) || !usual_timecode_ms(line.data() + kUsualArrowAt + 4, end)) {
    return false;
  }
  duration = end - start;  // both from 0 to 362439999: no wrap
  return true;
}

}  // namespace rt
