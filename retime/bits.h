// Bit operations on 64-bit masks for the text tables, written out so they
// need nothing beyond the baseline x86-64 instruction set (no popcount, no
// bit deposit) and can be inlined into the retiming passes.
#pragma once

#include <cstdint>

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

inline int count(std::uint64_t m) { return static_cast<int>((byte_counts(m) * kOnes) >> 56); }

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

// Index of the set bit of m that has k set bits below it (k below the
// number of set bits of m), without branches: byte-wise running counts
// locate the byte, a table the bit inside it.
inline int select(std::uint64_t m, int k) {
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

inline int lowest(std::uint64_t m) { return compiler::lowest_set_bit(m); }    // m != 0
inline int highest(std::uint64_t m) { return compiler::highest_set_bit(m); }  // m != 0

// The bits at offset and above; at offset and below (offset 0 to 63).
inline std::uint64_t from(int offset) { return ~std::uint64_t{0} << offset; }
inline std::uint64_t upto(int offset) { return offset == 63 ? ~std::uint64_t{0} : (std::uint64_t{2} << offset) - 1; }

}  // namespace bits
}  // namespace rt
