// Tables built once per text so that every retiming pass costs time in
// proportion to its cues, not to the length of the text.
//
// The text is cut into blocks of 64 bytes. Each block keeps, in one record
// of 32 bytes, three bit masks (which of its bytes are vowels, break
// characters, blanks) and the number of vowels before it, so a cue step
// mostly finds all it needs in one or two records; the nearest blocks before
// and after it that hold a break character are kept apart, as prose seldom
// needs them. That is about half a byte per text byte, small enough that the
// parts a pass touches stay in the processor's caches even for long texts.
// Long runs of blanks are listed apart.
//
// The queries give exactly the results of the plain byte loops and text
// searches they replace, edge results included: positions are 1-based, and
// Len + 1 lies past the end and holds neither a vowel nor a blank.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "retime/bits.h"
#include "retime/cut_rule.h"
#include "text/texts.h"

namespace rt {

// P is the unsigned type that holds vowel counts and block numbers: 32 bits
// for texts below 4 GiB, 64 bits above.
template <typename P>
class TextIndex {
 public:
  // Builds the tables of text, which must outlive the index.
  explicit TextIndex(const std::string& text);

  Pos length() const { return length_; }
  std::int64_t vowel_count() const { return static_cast<std::int64_t>(blocks_.back().vowels_before); }

  // Where the vowel-quota scan stops for a cue whose segment begins at
  // segment_start: the anchor steps from segment_start one position at a
  // time, never beyond Len, and each step examines the byte one past the new
  // anchor (so the first byte examined is segment_start + 2), taking one
  // vowel off the quota, until the quota reaches 0. A negative quota never
  // reaches 0 and runs to Len; at segment_start >= Len nothing is examined.
  // Bits is the set of bit operations (retime/bits.h) to count and select with.
  template <typename Bits = bits::PortableBits>
  Pos anchor_after_quota(Pos segment_start, std::int32_t quota) const {
    return locate_anchor<Bits>(segment_start, quota).anchor;
  }

  // A whole cue step from segment_start with quota: the anchor as
  // anchor_after_quota finds it, cut = choose_cut(next_break(anchor),
  // last_break(anchor), segment_start, anchor), and where the next segment
  // begins, skip_blanks(cut + 1), or 0 when cut is not after segment_start
  // (the text ran out). Where the anchor and the cut lie in the block of the
  // vowel that paid the quota off, as they mostly do, all of it comes from
  // that block's record.
  struct CueStep {
    Pos cut;
    Pos next_segment_start;
  };

  template <typename Bits>
  CueStep cue_step(Pos segment_start, std::int32_t quota) const;

  // The vowels at the positions before p, for p from 1 to Len + 1.
  template <typename Bits>
  std::int64_t vowels_before(Pos p) const {
    const Block& block = blocks_[block_of(p)];
    return static_cast<std::int64_t>(block.vowels_before) + Bits::count(block.vowels & ~bits::from(offset_of(p)));
  }

  // What a cue step makes of the vowel that pays its quota off, whatever
  // the step's segment_start, as long as that lies at or below backward: a
  // step whose quota's last vowel is that one cuts at cut (the nearer break
  // to the anchor before the vowel) and the next segment begins at next,
  // with vowels_after_next vowels before position next + 2 (0 where next + 2
  // lies past Len + 1). next is kIrregular where the anchor lacks a break on
  // either side (such steps are always worked out in full).
  // Plain, so that a table of them is made zero in one stroke.
  struct VowelStep {
    P next;
    P cut;
    P backward;
    P vowels_after_next;
  };
  static constexpr P kIrregular = std::numeric_limits<P>::max();

  // The VowelStep of every vowel of the text, in the order of the text, so
  // that the step of a quota whose last vowel is number w (counted from 0)
  // is element w. One pass over the blocks: far cheaper than finding each
  // vowel from a segment_start.
  template <typename Bits>
  std::vector<VowelStep> vowel_steps() const;

  // visit(w, step) for the VowelStep of every vowel w in turn, as
  // vowel_steps gives them, without a table of them all.
  template <typename Bits, typename Visit>
  void each_vowel_step(Visit visit) const;

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
  // The vowel search looks at this many blocks at once, around where the
  // text's mean density of vowels puts the vowel it wants.
  static constexpr std::size_t kWindowBlocks = 4;
  // Fixed-point scale of blocks_per_vowel_.
  static constexpr int kDensityShift = 16;

  // Bit i of a mask stands for position block * 64 + i + 1. Two records to
  // a cache line.
  struct alignas(32) Block {
    std::uint64_t vowels = 0;
    std::uint64_t breaks = 0;
    std::uint64_t blanks = 0;
    P vowels_before = 0;  // vowels at the positions before the block
  };
  static_assert(sizeof(Block) == 32, "a block record is 32 bytes");

  struct BreakLinks {
    P next_break_block = 0;      // the first later block with a break; no_block_ if none
    P previous_break_block = 0;  // the last earlier block with a break, plus 1; 0 if none
  };

  struct BlankRun {
    Pos first;
    Pos last;
  };

  // An anchor, and the block of the vowel that paid the quota off with the
  // vowel's offset in it; kNoBlock when no vowel was looked for.
  static constexpr std::size_t kNoBlock = static_cast<std::size_t>(-1);
  struct Anchor {
    Pos anchor;
    std::size_t block;
    int vowel_offset;
  };
  template <typename Bits>
  Anchor locate_anchor(Pos segment_start, std::int32_t quota) const;

  // The block that holds vowel number target (counted from the start of the
  // text from 0), first_block or a later one, for a quota that ends there.
  std::size_t block_of_vowel(std::size_t first_block, std::int32_t quota, P target) const;
  // The same searched from a block after it, back towards first_block, or
  // from a block at or before it onwards, in steps that grow.
  std::size_t vowel_block_back(std::size_t from, std::size_t first_block, P target) const;
  std::size_t vowel_block_on(std::size_t from, P target) const;

  // A located anchor and the breaks around it: from the record of the
  // vowel's block where that holds both (the anchor is the position before
  // the vowel, in its block unless the vowel is the block's first byte).
  struct Around {
    Anchor at;
    Pos forward;
    Pos backward;
    bool in_block;  // both from the vowel's block
  };
  Around breaks_around(const Anchor& at) const;

  // skip_blanks(cut + 1) for a cut between the breaks around, from the
  // record of the vowel's block where the cut lies in it.
  Pos start_after(Pos cut, const Around& around) const;

  // The first block of the window where the vowel search for quota vowels
  // from first_block looks, one before where the mean density puts the last
  // of them: from first_block to the last block of the text. (A quota above
  // the vowel count can wrap the product for texts above 2^54 bytes; the
  // bound keeps the sum in range even so, as any start is safe.)
  std::size_t window_start(std::size_t first_block, std::int32_t quota) const {
    const std::size_t last_block = static_cast<std::size_t>(no_block_) - 1;
    const std::size_t blocks_ahead = static_cast<std::size_t>(std::min<std::uint64_t>(
        (static_cast<std::uint64_t>(quota) * blocks_per_vowel_) >> kDensityShift, last_block));
    return std::min(first_block + std::max<std::size_t>(blocks_ahead, 1), last_block + 1) - 1;
  }

  static std::size_t block_of(Pos p) { return static_cast<std::size_t>(p - 1) >> kBlockShift; }
  static int offset_of(Pos p) { return static_cast<int>((p - 1) & (kBlockBytes - 1)); }

  Pos length_;
  P no_block_;  // the number of blocks of the text: "no such block"
  // One record per block of the text, then kWindowBlocks more whose
  // vowels_before is the total (they hold no position), so a window never
  // runs off the end.
  std::vector<Block> blocks_;
  // Blocks per vowel over the whole text, times 2^kDensityShift.
  std::uint64_t blocks_per_vowel_ = 0;
  std::vector<BreakLinks> links_;  // per block of the text
  std::vector<BlankRun> long_blank_runs_;
};

// Texts whose positions fit 32 bits use the compact tables.
bool fits_compact_positions(const std::string& text);

// The queries run for every cue of every pass: defined here to be inlined.

template <typename P>
template <typename Bits>
inline typename TextIndex<P>::Anchor TextIndex<P>::locate_anchor(Pos segment_start, std::int32_t quota) const {
  if (segment_start >= length_) return {segment_start, kNoBlock, 0};
  const Pos first_examined = segment_start + 2;  // at most Len + 1
  const std::size_t first_block = block_of(first_examined);
  const Block& first = blocks_[first_block];
  if (quota == 0) {
    // The first step leaves the quota at 0 unless it finds a vowel, which
    // turns it negative; the callers never ask, but the answer is defined.
    const bool vowel = first_examined <= length_ && ((first.vowels >> offset_of(first_examined)) & 1) != 0;
    return {vowel ? length_ : segment_start + 1, kNoBlock, 0};
  }
  if (quota < 0) return {length_, kNoBlock, 0};
  // The wanted vowel, counted from the start of the text from 0.
  const std::int64_t wanted = static_cast<std::int64_t>(first.vowels_before) +
                              Bits::count(first.vowels & ~bits::from(offset_of(first_examined))) + quota - 1;
  if (wanted >= vowel_count()) return {length_, kNoBlock, 0};

  const P target = static_cast<P>(wanted);
  const std::size_t block = block_of_vowel(first_block, quota, target);
  const int bit = Bits::select(blocks_[block].vowels, static_cast<int>(target - blocks_[block].vowels_before));
  // The scan stops with the anchor one before the vowel that paid the quota off.
  return {static_cast<Pos>(block) * kBlockBytes + bit, block, bit};
}

// The block is the one with no more than target vowels before it and more
// than target before the next. The window of kWindowBlocks blocks starts one
// before where the text's mean density of vowels puts the quota's last vowel
// (for prose, where the vowels are spread evenly, it holds the block as a
// rule), and the block is counted out of it without a branch. The window
// depends on the quota and segment_start only, so its records are fetched
// while the vowels before the first byte examined are still being counted.
// Otherwise the search steps from the window's start, in steps that grow so
// it stays logarithmic.
template <typename P>
inline std::size_t TextIndex<P>::block_of_vowel(std::size_t first_block, std::int32_t quota, P target) const {
  const std::size_t block = window_start(first_block, quota);
  const Block* window = &blocks_[block];
  if (window[0].vowels_before <= target && target < window[kWindowBlocks].vowels_before) {
    std::size_t passed = 0;
    for (std::size_t i = 1; i < kWindowBlocks; ++i) passed += window[i].vowels_before <= target ? 1 : 0;
    return block + passed;
  }
  if (blocks_[block].vowels_before > target) return vowel_block_back(block, first_block, target);
  return vowel_block_on(block, target);
}

template <typename P>
std::size_t TextIndex<P>::vowel_block_back(std::size_t from, std::size_t first_block, P target) const {
  // first_block has no more than target vowels before it.
  auto above = [](P value, const Block& b) { return value < b.vowels_before; };
  std::size_t block = from;
  std::size_t step = 1;
  std::size_t high = block;  // blocks_[high].vowels_before > target
  while (blocks_[block].vowels_before > target) {
    high = block;
    block = block - first_block > step ? block - step : first_block;
    step *= 2;
  }
  return static_cast<std::size_t>(std::upper_bound(blocks_.begin() + static_cast<std::ptrdiff_t>(block),
                                                   blocks_.begin() + static_cast<std::ptrdiff_t>(high), target, above) -
                                  blocks_.begin()) -
         1;
}

template <typename P>
std::size_t TextIndex<P>::vowel_block_on(std::size_t from, P target) const {
  auto above = [](P value, const Block& b) { return value < b.vowels_before; };
  const std::size_t last_block = static_cast<std::size_t>(no_block_) - 1;
  std::size_t step = 1;
  std::size_t low = from;  // blocks_[low].vowels_before <= target
  std::size_t high = std::min(low + step, last_block + 1);
  while (blocks_[high].vowels_before <= target) {
    low = high;
    step *= 2;
    high = std::min(low + step, last_block + 1);
  }
  return static_cast<std::size_t>(std::upper_bound(blocks_.begin() + static_cast<std::ptrdiff_t>(low) + 1,
                                                   blocks_.begin() + static_cast<std::ptrdiff_t>(high) + 1, target,
                                                   above) -
                                  blocks_.begin()) -
         1;
}

template <typename P>
inline typename TextIndex<P>::Around TextIndex<P>::breaks_around(const Anchor& at) const {
  if (at.block != kNoBlock && at.vowel_offset > 0) {
    const std::uint64_t breaks = blocks_[at.block].breaks;
    const int anchor_offset = at.vowel_offset - 1;
    const std::uint64_t ahead = breaks & bits::from(anchor_offset);
    const std::uint64_t behind = breaks & bits::upto(anchor_offset);
    if (ahead != 0 && behind != 0) {
      const Pos first_of_block = static_cast<Pos>(at.block) * kBlockBytes + 1;
      return {at, first_of_block + bits::lowest(ahead), first_of_block + bits::highest(behind), true};
    }
  }
  return {at, next_break(at.anchor), last_break(at.anchor), false};
}

template <typename P>
inline Pos TextIndex<P>::start_after(Pos cut, const Around& around) const {
  if (around.in_block) {
    const Anchor& at = around.at;
    const Pos first_of_block = static_cast<Pos>(at.block) * kBlockBytes + 1;
    // Bits past Len are clear, so they stop the search at Len + 1.
    const int after_cut = static_cast<int>(cut - first_of_block) + 1;
    if (after_cut < kBlockBytes) {
      const std::uint64_t not_blank = ~blocks_[at.block].blanks & bits::from(after_cut);
      if (not_blank != 0) return first_of_block + bits::lowest(not_blank);
    }
  }
  return skip_blanks(cut + 1);
}

template <typename P>
template <typename Bits>
inline typename TextIndex<P>::CueStep TextIndex<P>::cue_step(Pos segment_start, std::int32_t quota) const {
  const Around around = breaks_around(locate_anchor<Bits>(segment_start, quota));
  const Pos cut = choose_cut(around.forward, around.backward, segment_start, around.at.anchor);
  if (cut <= segment_start) return {cut, 0};
  return {cut, start_after(cut, around)};
}

template <typename P>
template <typename Bits>
std::vector<typename TextIndex<P>::VowelStep> TextIndex<P>::vowel_steps() const {
  std::vector<VowelStep> steps(static_cast<std::size_t>(vowel_count()));
  each_vowel_step<Bits>([&steps](std::size_t w, const VowelStep& step) { steps[w] = step; });
  return steps;
}

template <typename P>
template <typename Bits, typename Visit>
void TextIndex<P>::each_vowel_step(Visit visit) const {
  std::size_t w = 0;
  for (std::size_t block = 0; block < static_cast<std::size_t>(no_block_); ++block) {
    for (std::uint64_t vowels = blocks_[block].vowels; vowels != 0; vowels &= vowels - 1) {
      const int bit = bits::lowest(vowels);
      // The scan of a quota ending on this vowel stops with the anchor one
      // before it.
      const Around around = breaks_around({static_cast<Pos>(block) * kBlockBytes + bit, block, bit});
      VowelStep step{kIrregular, 0, 0, 0};
      if (around.forward != 0 && around.backward != 0) {
        // From a segment_start at backward, no rule about segment_start applies.
        const Pos cut = choose_cut(around.forward, around.backward, around.backward, around.at.anchor);
        const Pos next = start_after(cut, around);
        step.next = static_cast<P>(next);
        step.cut = static_cast<P>(cut);
        step.backward = static_cast<P>(around.backward);
        // A next segment beginning at Len or later examines no vowel.
        step.vowels_after_next = next + 2 <= length_ + 1 ? static_cast<P>(vowels_before<Bits>(next + 2)) : 0;
      }
      visit(w++, step);
    }
  }
}

template <typename P>
inline Pos TextIndex<P>::next_break(Pos from) const {
  if (from < 1 || from > length_) return 0;
  std::size_t b = block_of(from);
  std::uint64_t breaks = blocks_[b].breaks & bits::from(offset_of(from));
  if (breaks == 0) {
    if (links_[b].next_break_block == no_block_) return 0;
    b = links_[b].next_break_block;
    breaks = blocks_[b].breaks;
  }
  return static_cast<Pos>(b) * kBlockBytes + bits::lowest(breaks) + 1;
}

template <typename P>
inline Pos TextIndex<P>::last_break(Pos upto) const {
  if (upto == 0 || upto > length_) return 0;
  if (upto < 0) upto = length_;
  std::size_t b = block_of(upto);
  std::uint64_t breaks = blocks_[b].breaks & bits::upto(offset_of(upto));
  if (breaks == 0) {
    if (links_[b].previous_break_block == 0) return 0;
    b = links_[b].previous_break_block - 1;
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
    const std::size_t b = block_of(p);
    // Bits past Len are clear, so they stop the search at Len + 1.
    const std::uint64_t not_blank = ~blocks_[b].blanks & bits::from(offset_of(p));
    if (not_blank != 0) return static_cast<Pos>(b) * kBlockBytes + bits::lowest(not_blank) + 1;
    p = static_cast<Pos>(b + 1) * kBlockBytes + 1;
  }
  return p;
}

}  // namespace rt
