// The few compiler intrinsics the text tables use, behind plain functions:
// GCC and Clang get their builtins, any other compiler a portable fallback
// with the same results (prefetching is only a hint and may do nothing).
#pragma once

#include <cstdint>

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

// Asks the processor to fetch the memory at address ahead of use.
inline void prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

}  // namespace compiler
}  // namespace rt
