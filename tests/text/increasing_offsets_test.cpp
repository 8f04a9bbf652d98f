#include "text/increasing_offsets.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace rt {
namespace {

// With 8-bit lows the crossings of 2^8 that 2^32 has for line starts come
// within a few hundred bytes.
TEST(IncreasingOffsets, GivesBackEveryOffsetWhateverItsHighBits) {
  const std::vector<std::vector<std::size_t>> cases = {
      {},
      {0, 1, 2, 255},
      {0, 255, 256, 257, 511, 512},
      {0, 7, 7, 300, 300, 1000},        // repeats; one step across three 256s
      {5, 256 * 256 + 3, 256 * 256 * 256 + 1},  // far steps
      {256, 512, 768},                  // every offset beyond the first 256
  };
  for (const std::vector<std::size_t>& offsets : cases) {
    IncreasingOffsets<std::uint8_t> kept;
    for (std::size_t offset : offsets) kept.push_back(offset);
    ASSERT_EQ(kept.size(), offsets.size());
    for (std::size_t i = 0; i < offsets.size(); ++i) EXPECT_EQ(kept[i], offsets[i]) << "offset " << i;
  }
}

}  // namespace
}  // namespace rt
