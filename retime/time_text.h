// Times and decimals as the tool writes them for people, on the console and
// on the readability page: German decimals with a comma, and times in the
// layout retime/timecode.h reads. Every such number is formed here.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

inline constexpr std::int64_t kMsPerSecond = 1000;
inline constexpr std::int64_t kMsPerMinute = 60 * kMsPerSecond;
inline constexpr std::int64_t kMsPerHour = 60 * kMsPerMinute;

// scaled / 10^places with exactly places digits after point, "-" before a
// negative value; no point for places 0: (1584, 3, ',') -> "1,584",
// (-5, 1, '.') -> "-0.5".
std::string decimal_text(std::int64_t scaled, int places, char point);

// Tenths as a German decimal: 185 -> "18,5", 0 -> "0,0".
std::string decimal_tenths(std::int64_t tenths);

// A factor to three places, German: 1.584 -> "1,584".
std::string decimal_factor(double factor);

// A duration in seconds with its milliseconds, German: 2000 -> "2,000".
std::string seconds_text(std::int64_t ms);

// Milliseconds as a timecode: 3000 -> "00:00:03,000" (with "-" before a
// negative value).
std::string timecode_text(std::int32_t ms);

// A time in whole seconds (cut towards 0) on a clock: "1:05" or, with
// hours, "1:02:05" (with "-" before a negative value).
std::string clock_text(std::int64_t ms, bool hours);

}  // namespace rt
