// The few compiler intrinsics the engine uses, behind plain functions and a
// macro: GCC and Clang get their builtins and attributes, any other compiler
// a portable fallback with the same results (placement is only a hint and
// may do nothing).
#pragma once

#include <cstdint>

// Marks a function that is seldom called: kept out of line (also out of
// flattened code) and away from the hot code.
#if defined(__GNUC__)
#define RETIME_SELDOM_CALLED __attribute__((noinline, cold))
#else
#define RETIME_SELDOM_CALLED
#endif

namespace rt {
namespace compiler {

// Index of the lowest set bit of m; m != 0.
inline int lowest_set_bit(std::uint64_t m) {
#if defined(__GNUC__)
  return __builtin_ctzll(m);
#else
  int index = 0;
  while ((m & 1) == 0) {
    m >>= 1;
    ++index;
  }
  return index;
#endif
}

// Index of the highest set bit of m; m != 0.
inline int highest_set_bit(std::uint64_t m) {
#if defined(__GNUC__)
  return 63 - __builtin_clzll(m);
#else
  int index = 0;
  while (m >>= 1) ++index;
  return index;
#endif
}

}  // namespace compiler
}  // namespace rt
