#include "retime/text_index.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "retime/bits.h"

namespace rt {

namespace {

// Byte classes looked up by value, each class in a byte lane of its own, so
// that the classes of eight bytes shifted by 0 to 7 and added give the three
// masks of those eight bytes at once, one per lane.
constexpr int kVowelLane = 0;
constexpr int kBreakLane = 8;
constexpr int kBlankLane = 16;

struct ByteLanes {
  std::uint32_t of[256] = {};
  ByteLanes() {
    for (char c : kVowels) of[static_cast<unsigned char>(c)] |= 1u << kVowelLane;
    for (char c : kBreakCharacters) of[static_cast<unsigned char>(c)] |= 1u << kBreakLane;
    of[static_cast<unsigned char>(kSkippedAfterCut)] |= 1u << kBlankLane;
  }
};

const ByteLanes& byte_lanes() {
  static const ByteLanes lanes;
  return lanes;
}

// The lanes of up to eight bytes, byte j shifted by j.
std::uint32_t lanes_of(const unsigned char* bytes, std::size_t count) {
  const std::uint32_t* lanes = byte_lanes().of;
  std::uint32_t sum = 0;
  for (std::size_t j = 0; j < count; ++j) sum |= lanes[bytes[j]] << j;
  return sum;
}

std::uint64_t lane(std::uint32_t lanes, int at) { return (lanes >> at) & 0xFF; }

}  // namespace

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
  for (std::size_t b = 0; b < blocks; ++b) {
    Block& block = blocks_[b];
    const std::size_t first = b * kBlockBytes;
    const std::size_t end = std::min(text.size(), first + kBlockBytes);
    for (std::size_t group = first; group < end; group += 8) {
      const std::uint32_t lanes = lanes_of(bytes + group, std::min<std::size_t>(8, end - group));
      const int shift = static_cast<int>(group - first);
      block.vowels |= lane(lanes, kVowelLane) << shift;
      block.breaks |= lane(lanes, kBreakLane) << shift;
      block.blanks |= lane(lanes, kBlankLane) << shift;
    }
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

  // Long blank runs are rare; memchr finds the candidates quickly.
  const char* data = text.data();
  const char* data_end = data + text.size();
  for (const char* at = data; at < data_end;) {
    const char* blank = static_cast<const char*>(std::memchr(at, kSkippedAfterCut, static_cast<std::size_t>(data_end - at)));
    if (blank == nullptr) break;
    const char* after = blank;
    while (after < data_end && *after == kSkippedAfterCut) ++after;
    if (after - blank >= kLongBlankRun) {
      long_blank_runs_.push_back({static_cast<Pos>(blank - data) + 1, static_cast<Pos>(after - data)});
    }
    at = after;
  }
}

template class TextIndex<std::uint32_t>;
template class TextIndex<std::uint64_t>;

}  // namespace rt
