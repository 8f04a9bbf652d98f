// The table of a pair's flagged cues on the readability page: the cues
// above either limit, the worst first, each with what would bring it within
// the limits; the first kShownFlaggedCues in view, the rest in a fold that
// opens without script (<details>).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "driver/report.h"

namespace rt {

inline constexpr std::size_t kShownFlaggedCues = 50;

// The indices of the cues above either limit, the worst first: by the
// larger of speed over its limit and characters over theirs (a cue with
// words and no time to read them first of all), cues alike in the order
// of the file.
std::vector<std::size_t> worst_first(const PairReadability& pair);

// The table (and the fold), or a line saying that no cue is above a limit.
std::string flagged_cue_table(const PairReadability& pair);

}  // namespace rt
