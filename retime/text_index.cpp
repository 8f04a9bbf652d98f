#include "retime/text_index.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "retime/bits.h"

namespace rt {

namespace {

// Byte classes looked up by value; the sets are tiny, the texts are not.
constexpr unsigned char kVowelClass = 1;
constexpr unsigned char kBreakClass = 2;
constexpr unsigned char kBlankClass = 4;

struct ByteClasses {
  unsigned char of[256] = {};
  ByteClasses() {
    for (char c : kVowels) of[static_cast<unsigned char>(c)] |= kVowelClass;
    for (char c : kBreakCharacters) of[static_cast<unsigned char>(c)] |= kBreakClass;
    of[static_cast<unsigned char>(' ')] |= kBlankClass;
  }
};

const ByteClasses& byte_classes() {
  static const ByteClasses classes;
  return classes;
}

}  // namespace

bool is_vowel(unsigned char c) { return (byte_classes().of[c] & kVowelClass) != 0; }

bool fits_compact_positions(const std::string& text) {
  // Len + 1 is the largest position a query reports or is asked about.
  return text.size() < std::numeric_limits<std::uint32_t>::max();
}

template <typename P>
TextIndex<P>::TextIndex(const std::string& text) : length_(text_length(text)) {
  // Positions 1 to Len + 1, 64 to a block.
  const std::size_t blocks = text.size() / kBlockBytes + 1;
  no_block_ = static_cast<P>(blocks);
  blocks_.resize(blocks);
  vowels_before_.resize(blocks + 1);

  const unsigned char* classes = byte_classes().of;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::uint64_t vowels_so_far = 0;
  for (std::size_t b = 0; b < blocks; ++b) {
    Block& block = blocks_[b];
    const std::size_t first = b * kBlockBytes;
    const std::size_t end = std::min(text.size(), first + kBlockBytes);
    for (std::size_t i = first; i < end; ++i) {
      const std::uint64_t byte_class = classes[bytes[i]];
      const int bit = static_cast<int>(i - first);
      block.vowels |= (byte_class & kVowelClass) << bit;
      block.breaks |= ((byte_class & kBreakClass) >> 1) << bit;
      block.blanks |= ((byte_class & kBlankClass) >> 2) << bit;
    }
    vowels_before_[b] = static_cast<P>(vowels_so_far);
    vowels_so_far += static_cast<std::uint64_t>(bits::count(block.vowels));
  }
  vowels_before_[blocks] = static_cast<P>(vowels_so_far);

  P previous = 0;
  for (std::size_t b = 0; b < blocks; ++b) {
    blocks_[b].previous_break_block = previous;
    if (blocks_[b].breaks != 0) previous = static_cast<P>(b + 1);
  }
  P next = no_block_;
  for (std::size_t b = blocks; b-- > 0;) {
    blocks_[b].next_break_block = next;
    if (blocks_[b].breaks != 0) next = static_cast<P>(b);
  }

  // Long blank runs are rare; memchr finds the candidates quickly.
  const char* data = text.data();
  const char* data_end = data + text.size();
  for (const char* at = data; at < data_end;) {
    const char* blank = static_cast<const char*>(std::memchr(at, ' ', static_cast<std::size_t>(data_end - at)));
    if (blank == nullptr) break;
    const char* after = blank;
    while (after < data_end && *after == ' ') ++after;
    if (after - blank >= kLongBlankRun) {
      long_blank_runs_.push_back({static_cast<Pos>(blank - data) + 1, static_cast<Pos>(after - data)});
    }
    at = after;
  }
}

template class TextIndex<std::uint32_t>;
template class TextIndex<std::uint64_t>;

}  // namespace rt
