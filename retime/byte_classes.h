// Which bytes of a piece of text are vowels, break characters and blanks
// (retime/cut_rule.h), as bit masks: the text index is built from them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

struct ClassMasks {
  std::uint64_t vowels = 0;
  std::uint64_t breaks = 0;
  std::uint64_t blanks = 0;  // the byte skipped after a cut
};

// Bit i of each mask stands for bytes[i]; count is at most 64, and the
// bits from count on are clear.
ClassMasks class_masks(const unsigned char* bytes, std::size_t count);

// class_masks of count whole blocks of 64 bytes from bytes on, into
// out[0, count): one call for a text's blocks.
void block_class_masks(const unsigned char* bytes, std::size_t count, ClassMasks* out);

// class_masks without a table lookup of byte halves, as on processors
// without SSSE3; checked against the plain form on every machine.
ClassMasks class_masks_by_comparison(const unsigned char* bytes, std::size_t count);

// class_masks byte by byte, the plain form the fast one is checked against.
ClassMasks class_masks_plain(const unsigned char* bytes, std::size_t count);

}  // namespace rt
