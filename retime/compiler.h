// The few compiler intrinsics the engine uses, behind plain functions and a
// macro. The program builds only with a GCC-compatible compiler (GCC,
// Clang, MinGW): retime/extended.h needs its x87 long double and
// text/arithmetic.cpp its inline assembly, so there are no fallbacks for
// others.
#pragma once

#include <cstdint>

#if !defined(__GNUC__)
#error "retime builds with GCC or Clang only (the x87 extended arithmetic needs them)"
#endif

// Marks a function that is seldom called: kept out of line (also out of
// flattened code) and away from the hot code.
#define RETIME_SELDOM_CALLED __attribute__((noinline, cold))

namespace rt {
namespace compiler {

// Index of the lowest set bit of m; m != 0.
inline int lowest_set_bit(std::uint64_t m) { return __builtin_ctzll(m); }

// Index of the highest set bit of m; m != 0.
inline int highest_set_bit(std::uint64_t m) { return 63 - __builtin_clzll(m); }

}  // namespace compiler
}  // namespace rt
