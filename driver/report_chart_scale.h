// The frame and the two scales of a pair's readability chart: where a time
// and a speed land in the drawing, and the steps of the axes' ticks.
// Coordinates are whole tenths of a pixel, so the page comes out the same
// everywhere.
#pragma once

#include <cstdint>
#include <string>

#include "driver/report.h"

namespace rt {

// The chart's frame in pixels: the plot area and the margins around it
// (above it the values of cut-off bars and the line where the text ends,
// below it the marks of cues over the character limit and the times).
inline constexpr std::int64_t kChartWidth = 900;
inline constexpr std::int64_t kChartHeight = 332;
inline constexpr std::int64_t kPlotLeft = 56;
inline constexpr std::int64_t kPlotTop = 40;
inline constexpr std::int64_t kPlotWidth = 824;
inline constexpr std::int64_t kPlotHeight = 256;
inline constexpr std::int64_t kSub = 10;  // tenths of a pixel per pixel

// The row below the axis that marks cues over the character limit.
inline constexpr std::int64_t kLongMarkTop = (kPlotTop + kPlotHeight + 6) * kSub;
inline constexpr std::int64_t kLongMarkHeight = 6 * kSub;

// Edges of the plot area in tenths of a pixel.
inline constexpr std::int64_t kPlotLeftEdge = kPlotLeft * kSub;
inline constexpr std::int64_t kPlotRightEdge = (kPlotLeft + kPlotWidth) * kSub;
inline constexpr std::int64_t kPlotTopEdge = kPlotTop * kSub;
inline constexpr std::int64_t kPlotBottomEdge = (kPlotTop + kPlotHeight) * kSub;

struct ChartScale {
  std::int64_t first_ms = 0;  // the time at the left edge
  std::int64_t last_ms = 1000;  // at the right edge, after first_ms
  std::int64_t top_speed = 1;  // whole characters per second at the top
  std::int64_t speed_step = 1;
  std::int64_t time_step = 1000;
  bool hours = false;  // times on the axis with hours

  // A time's place across, clamped to the plot area.
  std::int64_t x_at(std::int64_t ms) const;
  // A speed's (in tenths) place upwards, clamped to the top of the plot.
  std::int64_t y_at(std::int64_t tenths) const;
  // Whether a speed lies above the top, so its bar is cut off.
  bool cut_off(std::int64_t tenths) const { return tenths > top_speed * 10; }
};

// The scales for a pair: time over every cue of the timecode file that has
// a positive duration (the written ones when the file's are not known),
// speed from 0 to above the limit and the fastest cue, but no further than
// four times the limit, so that a single runaway cue does not flatten all
// the others.
ChartScale chart_scale(const PairReadability& pair);

}  // namespace rt
