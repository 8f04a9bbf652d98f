// A growing list of offsets that never decrease, such as where each line of
// a buffer starts, kept in the low bits alone: the offsets of a buffer
// below 2^bits (bits those of Low) take sizeof(Low) bytes each, and one
// beyond notes only where its list crosses each further 2^bits. A feature
// film's line starts take half the pages they would in 8 bytes each.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace rt {

template <typename Low>
class IncreasingOffsets {
 public:
  void reserve(std::size_t count) { low_.reserve(count); }

  // Adds offset, which must not be below the last one added.
  void push_back(std::size_t offset) {
    while (offset >> kLowBits > firsts_past_.size()) firsts_past_.push_back(low_.size());
    low_.push_back(static_cast<Low>(offset));
  }

  std::size_t size() const { return low_.size(); }

  std::size_t operator[](std::size_t i) const {
    if (firsts_past_.empty()) return low_[i];
    const auto crossed = std::upper_bound(firsts_past_.begin(), firsts_past_.end(), i) - firsts_past_.begin();
    return static_cast<std::size_t>(crossed) << kLowBits | low_[i];
  }

 private:
  static constexpr unsigned kLowBits = 8 * sizeof(Low);
  static_assert(kLowBits < 8 * sizeof(std::size_t), "the high bits must be noted somewhere");
  std::vector<Low> low_;
  // Per 2^kLowBits crossed, the first offset's index beyond it (the same
  // index again where one step crosses more than one).
  std::vector<std::size_t> firsts_past_;
};

}  // namespace rt
