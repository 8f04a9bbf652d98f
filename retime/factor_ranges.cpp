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
  // One node more, as the look at two leaves at a time may read one past
  // the last.
  nodes_.resize(2 * leaves_ + 1);
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

namespace {

// The first of ranges[first, end) that does not hold factor; end when all
// hold. Two ranges to a comparison and no branch per range: the cue that
// misses mostly lies dozens of cues on, where a walk down a tree
// mispredicts its branches. May read ranges[end], which must exist.
std::size_t first_missed_among(const FactorRange* ranges, std::size_t first, std::size_t end,
                               const FloatSides& factor) {
#if defined(__SSE2__)
  // holds() of two ranges at once: low <= below and -high <= -above, in
  // four lanes.
  const __m128 sides = _mm_setr_ps(factor.below, -factor.above, factor.below, -factor.above);
  const __m128 negate_high = _mm_castsi128_ps(_mm_setr_epi32(0, INT32_MIN, 0, INT32_MIN));
  for (std::size_t at = first; at < end; at += 2) {
    const float* two_ranges = reinterpret_cast<const float*>(ranges + at);
    const __m128 pair = _mm_xor_ps(_mm_loadu_ps(two_ranges), negate_high);
    const int held = _mm_movemask_ps(_mm_cmple_ps(pair, sides));
    if (held != 0xF) return std::min(at + ((held & 3) == 3 ? 1 : 0), end);
  }
#else
  for (std::size_t at = first; at < end; ++at) {
    if (!holds(ranges[at], factor)) return at;
  }
#endif
  return end;
}

}  // namespace

// The rest of from's group cue by cue, then the later groups by their
// roots, and in the first whose root misses, its cues. The last group ends
// in at least one empty leaf, which misses, so the search stops there.
std::size_t FactorRanges::first_missed(std::size_t from, const FloatSides& factor) const {
  if (from >= cues_) return cues_;
  const FactorRange* leaves = nodes_.data() + leaves_;
  const std::size_t group = from / kGroupCues;
  const std::size_t group_end = (group + 1) * kGroupCues;
  const std::size_t cue = first_missed_among(leaves, from, group_end, factor);
  if (cue < group_end) return std::min(cue, cues_);
  const std::size_t groups = roots_;
  const std::size_t missed_group = first_missed_among(nodes_.data() + roots_, group + 1, groups, factor);
  if (missed_group >= groups) return cues_;
  const std::size_t first = missed_group * kGroupCues;
  return std::min(first_missed_among(leaves, first, first + kGroupCues, factor), cues_);
}

}  // namespace rt
