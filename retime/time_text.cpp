#include "retime/time_text.h"

#include <cmath>

#include "text/rounding.h"

namespace rt {
namespace {

std::uint64_t magnitude_of(std::int64_t value) {
  return value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
}

std::string sign_of(std::int64_t value) { return value < 0 ? "-" : ""; }

// n with at least width digits, zeros in front.
std::string padded(std::uint64_t n, std::size_t width) {
  std::string digits = std::to_string(n);
  return digits.size() < width ? std::string(width - digits.size(), '0') + digits : digits;
}

}  // namespace

std::string decimal_text(std::int64_t scaled, int places, char point) {
  std::uint64_t unit = 1;
  for (int i = 0; i < places; ++i) unit *= 10;
  const std::uint64_t magnitude = magnitude_of(scaled);
  std::string text = sign_of(scaled) + std::to_string(magnitude / unit);
  if (places > 0) text += point + padded(magnitude % unit, static_cast<std::size_t>(places));
  return text;
}

std::string decimal_tenths(std::int64_t tenths) { return decimal_text(tenths, 1, ','); }

std::string decimal_factor(double factor) { return decimal_text(nearest_away(factor * 1000.0), 3, ','); }

std::string seconds_text(std::int64_t ms) { return decimal_text(ms, 3, ','); }

std::string timecode_text(std::int32_t ms) {
  const std::uint64_t magnitude = magnitude_of(ms);
  return sign_of(ms) + padded(magnitude / kMsPerHour, 2) + ":" + padded(magnitude / kMsPerMinute % 60, 2) + ":" +
         padded(magnitude / kMsPerSecond % 60, 2) + "," + padded(magnitude % kMsPerSecond, 3);
}

std::string clock_text(std::int64_t ms, bool hours) {
  const std::uint64_t seconds = magnitude_of(ms) / kMsPerSecond;
  if (hours) return sign_of(ms) + std::to_string(seconds / 3600) + ":" + padded(seconds / 60 % 60, 2) + ":" + padded(seconds % 60, 2);
  return sign_of(ms) + std::to_string(seconds / 60) + ":" + padded(seconds % 60, 2);
}

}  // namespace rt
