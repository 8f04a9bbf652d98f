#include "retime/text_index.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "retime/bits.h"
#include "retime/byte_classes.h"

namespace rt {

bool fits_compact_positions(const std::string& text) {
  // Len + 1 is the largest position a query reports or is asked about.
  return text.size() < std::numeric_limits<std::uint32_t>::max();
}

template <typename P>
TextIndex<P>::TextIndex(const std::string& text) : length_(text_length(text)) {
  // Positions 1 to Len + 1, 64 to a block, and the records of the total.
  const std::size_t blocks = text.size() / kBlockBytes + 1;
  no_block_ = static_cast<P>(blocks);
  blocks_.resize(blocks + kWindowBlocks);
  links_.resize(blocks);

  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::uint64_t vowels_so_far = 0;
  // The whole blocks' masks come a batch at a time, the last (short) block's
  // on its own.
  constexpr std::size_t kBatch = 16;
  ClassMasks batch[kBatch];
  const std::size_t whole_blocks = text.size() / kBlockBytes;
  for (std::size_t b = 0; b < blocks; ++b) {
    Block& block = blocks_[b];
    const std::size_t first = b * kBlockBytes;
    if (b % kBatch == 0 && b < whole_blocks) {
      block_class_masks(bytes + first, std::min(kBatch, whole_blocks - b), batch);
    }
    const ClassMasks masks =
        b < whole_blocks ? batch[b % kBatch] : class_masks(bytes + first, text.size() - first);
    block.vowels = masks.vowels;
    block.breaks = masks.breaks;
    block.blanks = masks.blanks;
    block.vowels_before = static_cast<P>(vowels_so_far);
    vowels_so_far += static_cast<std::uint64_t>(bits::PortableBits::count(block.vowels));
  }
  for (std::size_t b = blocks; b < blocks_.size(); ++b) blocks_[b].vowels_before = static_cast<P>(vowels_so_far);
  // Only an estimate: any value gives the same results.
  if (vowels_so_far > 0) blocks_per_vowel_ = (std::uint64_t{blocks} << kDensityShift) / vowels_so_far;

  P previous = 0;
  for (std::size_t b = 0; b < blocks; ++b) {
    links_[b].previous_break_block = previous;
    if (blocks_[b].breaks != 0) previous = static_cast<P>(b + 1);
  }
  P next = no_block_;
  for (std::size_t b = blocks; b-- > 0;) {
    links_[b].next_break_block = next;
    if (blocks_[b].breaks != 0) next = static_cast<P>(b);
  }

  // Long blank runs are rare. Each covers a whole aligned group of eight
  // bytes, whose eight bits in the block's blank mask are all set, so only
  // the runs through such groups are measured, byte by byte.
  static_assert(kLongBlankRun >= 15, "a long run covers an aligned group of eight");
  constexpr std::uint64_t kLowBits = 0x0101010101010101u;
  constexpr std::uint64_t kHighBits = 0x8080808080808080u;
  const char* data = text.data();
  const std::size_t size = text.size();
  std::size_t measured_to = 0;  // the runs before this are measured
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::uint64_t not_blank = ~blocks_[b].blanks;
    // Whether a byte of not_blank is 0 (a whole group blank).
    if (((not_blank - kLowBits) & ~not_blank & kHighBits) == 0) continue;
    for (std::size_t group = 0; group < 8; ++group) {
      if (((not_blank >> (8 * group)) & 0xFF) != 0) continue;
      std::size_t first = b * kBlockBytes + 8 * group;
      if (first < measured_to) continue;
      while (first > 0 && data[first - 1] == kSkippedAfterCut) --first;
      std::size_t after = b * kBlockBytes + 8 * group + 8;
      while (after < size && data[after] == kSkippedAfterCut) ++after;
      if (after - first >= static_cast<std::size_t>(kLongBlankRun)) {
        long_blank_runs_.push_back({static_cast<Pos>(first) + 1, static_cast<Pos>(after)});
      }
      measured_to = after;
    }
  }
}

template class TextIndex<std::uint32_t>;
template class TextIndex<std::uint64_t>;

}  // namespace rt
