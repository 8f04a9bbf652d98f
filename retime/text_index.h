// Tables built once per text so that every retiming pass costs time in
// proportion to its cues, not to the length of the text.
//
// The text is cut into blocks of 64 bytes. Each block keeps three bit masks
// (which of its bytes are vowels, break characters, blanks) and the nearest
// blocks before and after it that hold a break character; a second array
// counts the vowels before each block. That is about half a byte per text
// byte, small enough that the parts a pass touches stay in the processor's
// caches even for long texts. Long runs of blanks are listed apart.
//
// The queries give exactly the results of the plain byte loops and text
// searches they replace, edge results included: positions are 1-based, and
// Len + 1 lies past the end and holds neither a vowel nor a blank.
#pragma once

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "retime/bits.h"
#include "text/texts.h"

namespace rt {

// The nine vowel bytes: lower-case a e i o u y and the ISO 8859-1 umlauts
// a, o, u with diaeresis. Capitals and multi-byte encodings do not count.
inline const std::string kVowels = "aeiou\xE4\xF6\xFCy";

// The six bytes at which a text may be cut: # . , ; : and the blank.
inline const std::string kBreakCharacters = "#.,;: ";

bool is_vowel(unsigned char c);

// P is the unsigned type that holds vowel counts and block numbers: 32 bits
// for texts below 4 GiB, 64 bits above.
template <typename P>
class TextIndex {
 public:
  // Builds the tables of text, which must outlive the index.
  explicit TextIndex(const std::string& text);

  Pos length() const { return length_; }
  std::int64_t vowel_count() const { return static_cast<std::int64_t>(vowels_before_.back()); }

  // Where the vowel-quota scan stops for a cue whose segment begins at
  // segment_start: the anchor steps from segment_start one position at a
  // time, never beyond Len, and each step examines the byte one past the new
  // anchor (so the first byte examined is segment_start + 2), taking one
  // vowel off the quota, until the quota reaches 0. A negative quota never
  // reaches 0 and runs to Len; at segment_start >= Len nothing is examined.
  //
  // block_hint, when given, is the block where to start looking for the
  // vowel that pays the quota off (any value is safe) and receives the block
  // where it was found, or kNoBlockHint when no vowel was looked for.
  Pos anchor_after_quota(Pos segment_start, std::int32_t quota, std::size_t* block_hint = nullptr) const;
  static constexpr std::size_t kNoBlockHint = static_cast<std::size_t>(-1);

  // Asks the processor to fetch the tables of a block (a block hint from
  // anchor_after_quota) ahead of use; no effect on any result.
  void prefetch_block(std::size_t block) const {
    if (block < blocks_.size()) {
      compiler::prefetch(&blocks_[block]);
      compiler::prefetch(&vowels_before_[block]);
    }
  }

  // find_any(from, text, kBreakCharacters): the first break character at or
  // after from; 0 when there is none or from lies outside 1..Len.
  Pos next_break(Pos from) const;

  // find_any_last(text, kBreakCharacters, upto): the last break character at
  // or before upto; 0 when there is none, when upto is 0 and when upto lies
  // beyond Len (a bound past the end is not pulled back). A negative upto
  // searches the whole text.
  Pos last_break(Pos upto) const;

  // The first position from p on that does not hold a blank; Len + 1 when
  // blanks run to the end.
  Pos skip_blanks(Pos p) const;

 private:
  static constexpr int kBlockShift = 6;
  static constexpr Pos kBlockBytes = Pos{1} << kBlockShift;
  // Blank runs at least this long are listed, so crossing one is a lookup.
  static constexpr Pos kLongBlankRun = 16;

  // Bit i of a mask stands for position block * 64 + i + 1.
  struct Block {
    std::uint64_t vowels = 0;
    std::uint64_t breaks = 0;
    std::uint64_t blanks = 0;
    P next_break_block = 0;      // the first later block with a break; no_block_ if none
    P previous_break_block = 0;  // the last earlier block with a break, plus 1; 0 if none
  };

  struct BlankRun {
    Pos first;
    Pos last;
  };

  // Vowels at the positions before p, for p from 1 to Len + 1.
  std::int64_t vowels_before(Pos p) const;

  Pos length_;
  P no_block_;  // the number of blocks: "no such block"
  std::vector<Block> blocks_;
  std::vector<P> vowels_before_;  // per block and one past the last: the total
  std::vector<BlankRun> long_blank_runs_;
};

// Texts whose positions fit 32 bits use the compact tables.
bool fits_compact_positions(const std::string& text);

// The queries run for every cue of every pass: defined here to be inlined.

template <typename P>
inline std::int64_t TextIndex<P>::vowels_before(Pos p) const {
  const std::size_t b = static_cast<std::size_t>(p - 1) >> kBlockShift;
  const int offset = static_cast<int>((p - 1) & (kBlockBytes - 1));
  return static_cast<std::int64_t>(vowels_before_[b]) +
         bits::count(blocks_[b].vowels & ~bits::from(offset));
}

template <typename P>
inline Pos TextIndex<P>::anchor_after_quota(Pos segment_start, std::int32_t quota, std::size_t* block_hint) const {
  std::size_t unused_hint = kNoBlockHint;
  std::size_t& hint = block_hint != nullptr ? *block_hint : unused_hint;
  const std::size_t given_hint = hint;
  hint = kNoBlockHint;
  if (segment_start >= length_) return segment_start;
  const Pos first_examined = segment_start + 2;  // at most Len + 1
  if (quota == 0) {
    // The first step leaves the quota at 0 unless it finds a vowel, which
    // turns it negative; the callers never ask, but the answer is defined.
    const bool vowel = first_examined <= length_ && vowels_before(first_examined + 1) > vowels_before(first_examined);
    return vowel ? length_ : segment_start + 1;
  }
  if (quota < 0) return length_;
  // The wanted vowel, counted from the start of the text from 0.
  const std::int64_t wanted = vowels_before(first_examined) + quota - 1;
  if (wanted >= vowel_count()) return length_;

  // Its block: the one with no more than wanted vowels before it and more
  // than wanted before the next, stepped to from the hint, or else from the
  // block of first_examined. Both lie close to it as a rule; far off, the
  // steps grow so the search stays logarithmic.
  const P target = static_cast<P>(wanted);
  const std::size_t last_block = blocks_.size() - 1;
  std::size_t block =
      given_hint <= last_block ? given_hint : static_cast<std::size_t>(first_examined - 1) >> kBlockShift;
  if (vowels_before_[block] > target) {
    std::size_t step = 1;
    std::size_t high = block;  // vowels_before_[high] > target
    while (block > 0 && vowels_before_[block] > target) {
      high = block;
      block = block > step ? block - step : 0;
      step *= 2;
    }
    auto above = std::upper_bound(vowels_before_.begin() + static_cast<std::ptrdiff_t>(block),
                                  vowels_before_.begin() + static_cast<std::ptrdiff_t>(high), target);
    block = static_cast<std::size_t>(above - vowels_before_.begin()) - 1;
  } else if (vowels_before_[block + 1] <= target) {
    std::size_t step = 1;
    std::size_t low = block + 1;  // vowels_before_[low] <= target
    std::size_t high = std::min(low + step, last_block + 1);
    while (vowels_before_[high] <= target) {
      low = high;
      step *= 2;
      high = std::min(low + step, last_block + 1);
    }
    auto above = std::upper_bound(vowels_before_.begin() + static_cast<std::ptrdiff_t>(low) + 1,
                                  vowels_before_.begin() + static_cast<std::ptrdiff_t>(high) + 1, target);
    block = static_cast<std::size_t>(above - vowels_before_.begin()) - 1;
  }
  hint = block;
  const int bit = bits::select(blocks_[block].vowels, static_cast<int>(target - vowels_before_[block]));
  // The scan stops with the anchor one before the vowel that paid the quota off.
  return static_cast<Pos>(block) * kBlockBytes + bit;
}

template <typename P>
inline Pos TextIndex<P>::next_break(Pos from) const {
  if (from < 1 || from > length_) return 0;
  std::size_t b = static_cast<std::size_t>(from - 1) >> kBlockShift;
  std::uint64_t breaks = blocks_[b].breaks & bits::from(static_cast<int>((from - 1) & (kBlockBytes - 1)));
  if (breaks == 0) {
    if (blocks_[b].next_break_block == no_block_) return 0;
    b = blocks_[b].next_break_block;
    breaks = blocks_[b].breaks;
  }
  return static_cast<Pos>(b) * kBlockBytes + bits::lowest(breaks) + 1;
}

template <typename P>
inline Pos TextIndex<P>::last_break(Pos upto) const {
  if (upto == 0 || upto > length_) return 0;
  if (upto < 0) upto = length_;
  std::size_t b = static_cast<std::size_t>(upto - 1) >> kBlockShift;
  std::uint64_t breaks = blocks_[b].breaks & bits::upto(static_cast<int>((upto - 1) & (kBlockBytes - 1)));
  if (breaks == 0) {
    if (blocks_[b].previous_break_block == 0) return 0;
    b = blocks_[b].previous_break_block - 1;
    breaks = blocks_[b].breaks;
  }
  return static_cast<Pos>(b) * kBlockBytes + bits::highest(breaks) + 1;
}

template <typename P>
inline Pos TextIndex<P>::skip_blanks(Pos p) const {
  if (p < 1) return p;
  for (int blocks_crossed = 0; p <= length_; ++blocks_crossed) {
    if (blocks_crossed == 2) {
      // Blank from p - 1 back over a whole block: p lies in a listed long run.
      auto after = std::upper_bound(long_blank_runs_.begin(), long_blank_runs_.end(), p,
                                    [](Pos value, const BlankRun& run) { return value < run.first; });
      return std::prev(after)->last + 1;
    }
    const std::size_t b = static_cast<std::size_t>(p - 1) >> kBlockShift;
    // Bits past Len are clear, so they stop the search at Len + 1.
    const std::uint64_t not_blank = ~blocks_[b].blanks & bits::from(static_cast<int>((p - 1) & (kBlockBytes - 1)));
    if (not_blank != 0) return static_cast<Pos>(b) * kBlockBytes + bits::lowest(not_blank) + 1;
    p = static_cast<Pos>(b + 1) * kBlockBytes + 1;
  }
  return p;
}

}  // namespace rt
