// The factors at which each cue keeps its quota, and a tree over them that
// finds the next cue whose quota may have changed without looking at the
// cues between. A pass of the search moves the factor by 0.001 only, so most
// cues keep their quota from one pass to the next; with this, a pass costs
// time in proportion to the cues that changed, not to all cues.
// Implemented in retime/factor_ranges.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace rt {

// Factors from low to high, both included, as floats (small, and exact to
// compare); empty when low is above high.
struct FactorRange {
  float low = std::numeric_limits<float>::infinity();
  float high = -std::numeric_limits<float>::infinity();
};

static_assert(sizeof(FactorRange) == 2 * sizeof(float), "ranges lie side by side, two floats each");

inline bool operator==(const FactorRange& a, const FactorRange& b) { return a.low == b.low && a.high == b.high; }

// Factors at which a cue of rate (its duration times vowels_per_ms, rounded
// to double) has quota, each of them: floor(duration * vowels_per_ms *
// factor + 0.5) in extended precision is quota at every factor in it. Empty
// unless rate is above 0 and quota 1 or more. Not every such factor is in
// it: the range is shrunk a little so that no rounding can put a factor
// with another quota inside.
FactorRange factor_range(double rate, std::int32_t quota);

// A factor as the floats next to it: the largest float at or below it and
// the smallest at or above it. A float range holds the factor exactly when
// it holds both.
struct FloatSides {
  float below;
  float above;
};

FloatSides float_sides(double factor);

inline bool holds(const FactorRange& range, const FloatSides& factor) {
  return range.low <= factor.below && factor.above <= range.high;
}

// One factor range per cue, all empty at first, in groups of kGroupCues
// consecutive cues, each group a small tree whose every node holds the
// narrowest range all cues below it share. A search runs along the groups'
// roots; a change of range climbs its group's tree only, which keeps it
// cheap where most cues change from pass to pass (long texts).
class FactorRanges {
 public:
  explicit FactorRanges(std::size_t cues);

  const FactorRange& operator[](std::size_t cue) const { return nodes_[leaves_ + cue]; }
  // The ranges of all cues in their order, as long as these ranges last.
  const FactorRange* leaves() const { return nodes_.data() + leaves_; }
  void set(std::size_t cue, const FactorRange& range);

  // The first cue from `from` on whose range does not hold factor; the
  // number of cues when there is none.
  std::size_t first_missed(std::size_t from, const FloatSides& factor) const;

 private:
  static constexpr int kGroupLevels = 4;
  static constexpr std::size_t kGroupCues = std::size_t{1} << kGroupLevels;

  std::size_t cues_;
  std::size_t leaves_;  // a multiple of kGroupCues, at least cues_: leaf i is node leaves_ + i
  std::size_t roots_;   // node of the first group's root: leaves_ / kGroupCues
  // Node i covers nodes 2i and 2i + 1, within a group (nodes roots_ and
  // above); nodes below roots_ are unused. Leaves past the cues stay empty,
  // so a search stops there.
  std::vector<FactorRange> nodes_;
};

}  // namespace rt
