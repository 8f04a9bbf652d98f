#include "retime/factor_ranges.h"

#include <algorithm>
#include <climits>
#include <cmath>

#if defined(__SSE2__)
#include <xmmintrin.h>
#include <emmintrin.h>
#endif

#include "text/rounding.h"

namespace rt {

namespace {

// In exact arithmetic floor(rate * factor + 0.5) is quota for factors from
// (quota - 0.5) / rate up to below (quota + 0.5) / rate. The bounds worked
// out in doubles, the rounding of the rate to double and the extended
// arithmetic of the quota are each off by a few parts in 2^53, and the
// rounding to float by one part in 2^24: shrinking the range by 2^-22 of
// itself at both ends before that rounding leaves only factors whose exact
// quota is quota.
constexpr double kRangeShrink = 1.0 / 4194304.0;  // 2^-22

// Bounds are kept only well inside the normal floats.
constexpr double kFloatReach = 1e38;
constexpr double kFloatFloor = 1e-30;

FactorRange joined(const FactorRange& a, const FactorRange& b) {
  return {std::max(a.low, b.low), std::min(a.high, b.high)};
}

}  // namespace

FactorRange factor_range(double rate, std::int32_t quota) {
  if (!(rate > 0.0) || quota < 1) return {};
  const double per_rate = 1.0 / rate;
  const double low = (quota - 0.5) * per_rate * (1.0 + kRangeShrink);
  const double high = (quota + 0.5) * per_rate * (1.0 - kRangeShrink);
  if (!(low > kFloatFloor && low < kFloatReach)) return {};
  return {static_cast<float>(low), static_cast<float>(std::min(high, kFloatReach))};
}

FloatSides float_sides(double factor) {
  // Factors move by 0.001 a pass and stay far inside the floats' range.
  const float nearest = static_cast<float>(factor);
  const double back = static_cast<double>(nearest);
  const float below = back > factor ? next_float_toward(nearest, -std::numeric_limits<float>::infinity()) : nearest;
  const float above = back < factor ? next_float_toward(nearest, std::numeric_limits<float>::infinity()) : nearest;
  return {below, above};
}

FactorRanges::FactorRanges(std::size_t cues) : cues_(cues) {
  const std::size_t groups = cues_ / kGroupCues + 1;
  leaves_ = groups * kGroupCues;
  roots_ = groups;
  // Group g's root is node roots_ + g: leaves_ + g * kGroupCues shifted by
  // kGroupLevels. That holds when leaves_ is a power of two times kGroupCues
  // too, so the group trees are the lowest kGroupLevels levels of one
  // binary tree over nodes below 2 * leaves_, whatever their number.
  nodes_.resize(2 * leaves_);
}

void FactorRanges::set(std::size_t cue, const FactorRange& range) {
  std::size_t node = leaves_ + cue;
  nodes_[node] = range;
  for (int level = 0; level < kGroupLevels; ++level) {
    node /= 2;
    const FactorRange shared = joined(nodes_[2 * node], nodes_[2 * node + 1]);
    if (nodes_[node] == shared) break;  // and so are all above it
    nodes_[node] = shared;
  }
}

// The cue that misses mostly lies some dozens of cues on from the one the
// search asks about: up to kCuesLookedAtInTurn cues are looked at one after
// the other, two to a comparison and without a branch per cue (the tree's
// steps mispredict about three branches a search), and only beyond them
// does the tree take over.
std::size_t FactorRanges::first_missed(std::size_t from, const FloatSides& factor) const {
  if (from >= cues_) return cues_;
  const std::size_t linear_end = std::min(cues_, from + kCuesLookedAtInTurn);
  std::size_t cue = from;
#if defined(__SSE2__)
  // holds() of two ranges at once: low <= below and -high <= -above, in
  // four lanes. A range past the last cue is empty and misses, which ends
  // the look there; the leaves hold at least one such after the cues.
  const __m128 sides = _mm_setr_ps(factor.below, -factor.above, factor.below, -factor.above);
  const __m128 negate_high = _mm_castsi128_ps(_mm_setr_epi32(0, INT32_MIN, 0, INT32_MIN));
  for (; cue < linear_end; cue += 2) {
    const float* two_ranges = reinterpret_cast<const float*>(nodes_.data() + leaves_ + cue);
    const __m128 pair = _mm_xor_ps(_mm_loadu_ps(two_ranges), negate_high);
    const int held = _mm_movemask_ps(_mm_cmple_ps(pair, sides));
    if (held != 0xF) return std::min(cue + ((held & 3) == 3 ? 1 : 0), cues_);
  }
#else
  for (; cue < linear_end; ++cue) {
    if (!holds(nodes_[leaves_ + cue], factor)) return cue;
  }
#endif
  return cue >= cues_ ? cues_ : first_missed_in_tree(cue, factor);
}

std::size_t FactorRanges::first_missed_in_tree(std::size_t from, const FloatSides& factor) const {
  std::size_t node = leaves_ + from;
  if (!holds(nodes_[node], factor)) return from;
  // Up its group's tree to the first right neighbour, at the lowest level,
  // that holds a cue whose range misses the factor; failing that, along the
  // later groups' roots.
  bool found = false;
  for (int level = 0; level < kGroupLevels && !found; ++level) {
    if (node % 2 == 0 && !holds(nodes_[node + 1], factor)) {
      ++node;
      found = true;
    } else {
      node /= 2;
    }
  }
  if (!found) {
    // node is now the root of from's group, or lies above one of its
    // subtrees that holds the factor throughout.
    std::size_t root = (leaves_ + from) >> kGroupLevels;
    do {
      ++root;
      if (root == 2 * roots_) return cues_;  // past the last group
    } while (holds(nodes_[root], factor));
    node = root;
  }
  // Down to its leftmost such cue.
  while (node < leaves_) {
    node *= 2;
    if (holds(nodes_[node], factor)) ++node;
  }
  return std::min(node - leaves_, cues_);
}

}  // namespace rt
