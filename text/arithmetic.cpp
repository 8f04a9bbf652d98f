#include "text/arithmetic.h"

#include <cstdint>

namespace rt {

void set_up_arithmetic() {
  const std::uint16_t word = kExtendedControlWord;
  asm volatile("fldcw %0" : : "m"(word));
}

unsigned arithmetic_control_word() {
  std::uint16_t word = 0;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
}

}  // namespace rt
