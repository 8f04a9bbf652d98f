// The layers of a pair's readability chart, each an SVG fragment of its own
// (one element per line), drawn over one another in the order
// readability_chart puts them: the axes, the cues (one bar each, or the
// minutes of a long file), the cues that got no text, the limit.
#pragma once

#include <cstdint>
#include <string>

#include "driver/report.h"
#include "driver/report_chart_scale.h"

namespace rt {

// The grid, the speeds up the left and the times along the bottom.
std::string chart_axes(const ChartScale& scale);

// The limit as a dashed line across the plot with its label.
std::string chart_limit(const ChartScale& scale, int cps_limit);

// Each written cue with a positive duration as a bar: the plain ones and
// the empty ones (low, grey) as one path each, the ones above the limit
// each a rect of their own with their figures as a tooltip; cut-off bars
// and cues over the character limit marked.
std::string cue_bars(const PairReadability& pair, const ChartScale& scale);

// For a long file: per span of bin_ms, a bar up to the 95th percentile of
// the speeds of its cues and a whisker up to their maximum, cut-off ones
// and spans with cues over the character limit marked.
std::string speed_bins(const PairReadability& pair, const ChartScale& scale, std::int64_t bin_ms);

// The cues of the file that got no text, hatched (each one, or when
// per_cue is false one band from the first to the last), and the line
// where the text ends; nothing when every cue was written.
std::string unwritten_cues(const PairReadability& pair, const ChartScale& scale, bool per_cue);

// Marks above the plot for bars cut off at its top: a triangle for each
// and, where there is room beside the last one, its speed.
struct CutOffMarks {
  std::string triangles;  // path data
  std::string values;     // <text> elements
  std::int64_t last_value_x = 0;
  bool any_value = false;
};

void add_cut_off(CutOffMarks& marks, std::int64_t x, std::int64_t tenths);
std::string cut_off_svg(const CutOffMarks& marks);

// A mark below the axis from x over width for cues over the character
// limit, with its tooltip (the page's own text: numbers and words).
std::string too_long_mark(std::int64_t x, std::int64_t width, const std::string& tooltip);

// A <path> of the class kind drawing data; nothing when data is empty.
std::string svg_path(const char* kind, const std::string& data);

// Path data of a box from x over width, between the heights top and
// bottom (tenths of a pixel).
std::string box_path(std::int64_t x, std::int64_t width, std::int64_t top, std::int64_t bottom);

}  // namespace rt
