// The x87 control word, set and read the same way on every platform the
// program builds for (x86-64 with a GCC-compatible compiler): only what the
// C runtime leaves there at start-up differs (MinGW's start-up object may
// or may not set 64-bit precision, depending on which one the linker
// picked, and _controlfp ignores the precision bits on x64), so the program
// sets the word itself.
#include <cstdint>

#include "text/native_arithmetic.h"

namespace rt {
namespace native {

void set_up_arithmetic() {
  const std::uint16_t word = kExtendedControlWord;
  asm volatile("fldcw %0" : : "m"(word));
}

unsigned arithmetic_control_word() {
  std::uint16_t word = 0;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
}

}  // namespace native
}  // namespace rt
