// Roundings the program needs exactly, written out here: the C maths
// library that holds them costs every run more to load than the roundings
// ever take. Each gives what the library function named gives in the
// default rounding mode, for every input.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace rt {

// std::nearbyint: to the nearest whole number, ties to even. Below 2^52 a
// double keeps fraction bits, and adding and taking off 2^52 rounds them
// away in the processor's own mode; above, every double is whole already.
inline double nearest_even(double x) {
  constexpr double kNoFractionFrom = 4503599627370496.0;  // 2^52
  if (!(std::fabs(x) < kNoFractionFrom)) return x;        // whole, infinite or not a number
  const double magnitude = (std::fabs(x) + kNoFractionFrom) - kNoFractionFrom;
  return std::copysign(magnitude, x);
}

// std::llround for values a long long holds: to the nearest whole number,
// halves away from zero. The cut-off fraction is exact below 2^52.
inline long long nearest_away(double x) {
  const long long whole = static_cast<long long>(x);  // toward zero
  const double fraction = x - static_cast<double>(whole);
  if (fraction >= 0.5) return whole + 1;
  if (fraction <= -0.5) return whole - 1;
  return whole;
}

// std::nextafter for floats: the float next to from in the direction of to.
inline float next_float_toward(float from, float to) {
  if (std::isnan(from) || std::isnan(to)) return from + to;
  if (from == to) return to;
  if (from == 0.0f) return std::copysign(std::numeric_limits<float>::denorm_min(), to);
  std::uint32_t bits;
  std::memcpy(&bits, &from, sizeof bits);
  // Away from zero the magnitude, and so the bit pattern, grows.
  if ((from < to) == (from > 0.0f)) {
    ++bits;
  } else {
    --bits;
  }
  float next;
  std::memcpy(&next, &bits, sizeof next);
  return next;
}

}  // namespace rt
