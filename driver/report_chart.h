// The chart of a pair on the readability page: an inline <svg> element,
// one line per element. Time runs along the horizontal axis over the whole
// timecode file, characters per second up the vertical one, with the limit
// as a dashed line of the class "limit".
//
// Up to kMostSingleBars cues in the file each written cue with a positive
// duration is a bar as wide as its duration and as high as its speed; the
// bars of a kind make one path each: "cue", "cue empty" (low and grey) and
// "cue over" (above the limit; a dot of the class "mark" above the narrow
// ones). A longer file is drawn in spans of a minute or more: for each, a
// bar up to the 95th percentile of its speeds (class "bin", or "bin over"
// above the limit, with the span's figures as a tooltip) and a whisker up
// to their maximum ("peak", "peak over"). Either way a bar higher than the
// chart is cut off at its top and marked above it with its value ("cut"),
// cues over the character limit are marked below the axis ("long"), and the
// cues that got no text are hatched ("unwritten") after a line where the
// text ends ("runout").
#pragma once

#include <cstdint>
#include <string>

#include "driver/report.h"

namespace rt {

inline constexpr std::int64_t kMostSingleBars = 400;

// The time each bar of the pair's chart stands for, in milliseconds; 0
// when each cue is a bar of its own.
std::int64_t chart_span_ms(const PairReadability& pair);

std::string readability_chart(const PairReadability& pair);

}  // namespace rt
