// The extended precision the retiming arithmetic is defined in: the x87
// 80-bit format with its 64-bit mantissa. The quotas, vowels_per_ms and the
// factor's steps are formed in it, and their results (which decide where
// cues are cut) are those of that format only; a toolchain whose
// long double is anything else must not build the program, since it would
// silently compute other subtitles.
#pragma once

#include <cfloat>

static_assert(LDBL_MANT_DIG == 64,
              "retime needs a long double with a 64-bit mantissa (the x87 80-bit "
              "extended format, as GCC and Clang give it on x86): the retiming "
              "arithmetic is defined in it. On MSVC, long double is a double; "
              "build with GCC or Clang (MinGW, clang-cl does not qualify).");

namespace rt {

// A number in the extended format.
using Extended = long double;

}  // namespace rt
