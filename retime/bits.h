// Bit operations on 64-bit masks for the text tables, in two sets with the
// same results. PortableBits needs nothing beyond the baseline x86-64
// instruction set (no popcount, no bit deposit) and runs on any processor;
// HardwareBits counts with POPCNT and selects with BMI2's PDEP and TZCNT,
// and may only run where processor_has_bit_instructions(); the search takes
// it where hardware_bits_usable(), which also leaves out processors whose
// PDEP is slow. The choice is made once, by a look at the processor, so one
// release build runs everywhere.
//
// The retiming passes are compiled once per set: code that Bits::run runs is
// inlined into it and compiled for the instructions of that set, while
// everything else stays baseline code (nothing compiled for the extra
// instructions can be shared with, or picked by the linker for, the portable
// path).
//
// This is the engine's one look at the processor's features: the
// architecture test below is the only one in the engine. (The x87 control
// word that the extended arithmetic needs is set once at start-up, by
// text/arithmetic.h, outside the engine.)
#pragma once

#include <cstdint>

#if defined(__x86_64__)
#include <cpuid.h>  // the compiler's own, inline: no library
#endif

#include "retime/compiler.h"

namespace rt {
namespace bits {

inline constexpr std::uint64_t kOnes = 0x0101010101010101ULL;  // 1 in every byte

// Per byte, the number of its set bits.
inline std::uint64_t byte_counts(std::uint64_t m) {
  m = m - ((m >> 1) & 0x5555555555555555ULL);
  m = (m & 0x3333333333333333ULL) + ((m >> 2) & 0x3333333333333333ULL);
  return (m + (m >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
}

// Per byte value, the index of its k-th set bit (k from 0 to 7).
struct BitsOfBytes {
  unsigned char index[256][8] = {};
  constexpr BitsOfBytes() {
    for (int byte = 0; byte < 256; ++byte) {
      int k = 0;
      for (int bit = 0; bit < 8; ++bit) {
        if (byte & (1 << bit)) index[byte][k++] = static_cast<unsigned char>(bit);
      }
    }
  }
};
inline constexpr BitsOfBytes kBitsOfBytes{};

inline int lowest(std::uint64_t m) { return compiler::lowest_set_bit(m); }    // m != 0
inline int highest(std::uint64_t m) { return compiler::highest_set_bit(m); }  // m != 0

// The bits at offset and above; at offset and below (offset 0 to 63).
inline std::uint64_t from(int offset) { return ~std::uint64_t{0} << offset; }
inline std::uint64_t upto(int offset) { return offset == 63 ? ~std::uint64_t{0} : (std::uint64_t{2} << offset) - 1; }

// count: the number of set bits of m. select: the index of the set bit of m
// that has k set bits below it (k below the number of set bits of m).
struct PortableBits {
  static int count(std::uint64_t m) { return static_cast<int>((byte_counts(m) * kOnes) >> 56); }

  // Without branches: byte-wise running counts locate the byte, a table the
  // bit inside it.
  static int select(std::uint64_t m, int k) {
    constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
    const std::uint64_t running = byte_counts(m) * kOnes;  // byte i: set bits in bytes 0 to i
    // High bit of byte i set where the running count is at most k: the
    // bytes before the one wanted. (k + 128 - count never borrows.)
    const std::uint64_t before = ((static_cast<std::uint64_t>(k) * kOnes | kHighs) - running) & kHighs;
    const int byte_index = static_cast<int>(((before >> 7) * kOnes) >> 56);
    const int shift = byte_index * 8;
    const int bits_before = static_cast<int>(((running << 8) >> shift) & 0xFF);
    return shift + kBitsOfBytes.index[(m >> shift) & 0xFF][k - bits_before];
  }

  // Calls work; the portable set needs no special compilation.
  template <typename Work>
  static auto run(Work&& work) {
    return work();
  }
};

#if defined(__x86_64__)

#define RETIME_BIT_INSTRUCTIONS __attribute__((target("popcnt,bmi,bmi2")))

struct HardwareBits {
  RETIME_BIT_INSTRUCTIONS static int count(std::uint64_t m) { return __builtin_popcountll(m); }

  // PDEP puts a single bit on the k-th set bit of m; TZCNT gives its index.
  RETIME_BIT_INSTRUCTIONS static int select(std::uint64_t m, int k) {
    return static_cast<int>(__builtin_ctzll(__builtin_ia32_pdep_di(std::uint64_t{1} << k, m)));
  }

  // Calls work with every call in it inlined and compiled for POPCNT, BMI1
  // and BMI2; only where processor_has_bit_instructions().
  template <typename Work>
  __attribute__((target("popcnt,bmi,bmi2"), flatten)) static auto run(Work&& work) {
    return work();
  }
};

#undef RETIME_BIT_INSTRUCTIONS

// What the search needs to know of the processor, asked with CPUID when
// first needed: three questions, where the compiler's own feature test
// (__builtin_cpu_supports) would make every start of the program, pairs or
// none, ask a dozen (each of which a virtual machine's host may have to
// answer).
struct Processor {
  bool bit_instructions = false;  // POPCNT, BMI1 and BMI2
  bool byte_shuffles = false;     // SSSE3's PSHUFB, which looks up 16 bytes at once
  bool slow_pdep = false;         // AMD's families 15h and 17h (up to Zen 2) run PDEP in microcode
};

inline Processor look_at_processor() {
  Processor processor;
  unsigned max_leaf = 0, vendor_b = 0, vendor_c = 0, vendor_d = 0;
  __cpuid(0, max_leaf, vendor_b, vendor_c, vendor_d);
  if (max_leaf < 1) return processor;
  unsigned signature = 0, b = 0, features_c = 0, d = 0;
  __cpuid(1, signature, b, features_c, d);
  constexpr unsigned kSsse3 = 1u << 9;  // leaf 1, ECX
  processor.byte_shuffles = (features_c & kSsse3) != 0;
  if (max_leaf < 7) return processor;
  unsigned a = 0, extended_b = 0, c = 0;
  __cpuid_count(7, 0, a, extended_b, c, d);
  constexpr unsigned kPopcnt = 1u << 23;  // leaf 1, ECX
  constexpr unsigned kBmi1 = 1u << 3;     // leaf 7, EBX
  constexpr unsigned kBmi2 = 1u << 8;     // leaf 7, EBX
  processor.bit_instructions =
      (features_c & kPopcnt) != 0 && (extended_b & kBmi1) != 0 && (extended_b & kBmi2) != 0;
  // "AuthenticAMD" in EBX, EDX, ECX; the family is the base family plus the
  // extended one where the base is 0xF.
  const bool amd = vendor_b == 0x68747541 && vendor_d == 0x69746E65 && vendor_c == 0x444D4163;
  const unsigned base_family = (signature >> 8) & 0xF;
  const unsigned family = base_family == 0xF ? base_family + ((signature >> 20) & 0xFF) : base_family;
  processor.slow_pdep = amd && (family == 0x15 || family == 0x17);
  return processor;
}

inline const Processor& this_processor() {
  static const Processor processor = look_at_processor();
  return processor;
}

// The processor has POPCNT, BMI1 and BMI2: HardwareBits can run on it.
inline bool processor_has_bit_instructions() { return this_processor().bit_instructions; }

// The processor has SSSE3 (byte classes by table lookup).
inline bool processor_has_byte_shuffles() { return this_processor().byte_shuffles; }

// HardwareBits pays on this processor: it has the instructions, and a PDEP
// that is quick (slower than the portable select where it is microcode).
inline bool hardware_bits_usable() { return this_processor().bit_instructions && !this_processor().slow_pdep; }

#else

// Other processors (32-bit x86, whose long double is the same x87 format):
// the portable set under the other name too, never chosen.
struct HardwareBits : PortableBits {};

inline bool processor_has_bit_instructions() { return false; }
inline bool processor_has_byte_shuffles() { return false; }
inline bool hardware_bits_usable() { return false; }

#endif

}  // namespace bits
}  // namespace rt
