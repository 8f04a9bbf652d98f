#include "driver/report_chart_scale.h"

#include <algorithm>

namespace rt {
namespace {

constexpr int kMostTicks = 8;
// How far the speed axis may reach, in multiples of the limit.
constexpr std::int64_t kMostLimits = 4;

constexpr std::int64_t kSpeedSteps[] = {1, 2, 5, 10, 20, 50, 100, 200, 500};
constexpr std::int64_t kTimeSteps[] = {1000,   2000,   5000,   10000,  15000,   30000,  60000,
                                       120000, 300000, 600000, 900000, 1800000, 3600000};

// The smallest of the candidate steps that cuts span into at most
// kMostTicks pieces (a multiple of the last candidate when none does).
template <std::size_t N>
std::int64_t tick_step(std::int64_t span, const std::int64_t (&candidates)[N]) {
  for (std::int64_t step : candidates) {
    if (span / step <= kMostTicks) return step;
  }
  const std::int64_t last = candidates[N - 1];
  return (span / kMostTicks / last + 1) * last;
}

struct TimeRange {
  std::int64_t first = 0;
  std::int64_t last = 0;
  bool any = false;

  void cover(std::int32_t start_ms, std::int32_t duration_ms) {
    if (duration_ms <= 0) return;
    const std::int64_t end = static_cast<std::int64_t>(start_ms) + duration_ms;
    first = any ? std::min<std::int64_t>(first, start_ms) : start_ms;
    last = any ? std::max(last, end) : end;
    any = true;
  }
};

}  // namespace

std::int64_t ChartScale::x_at(std::int64_t ms) const {
  const std::int64_t shown = std::clamp(ms, first_ms, last_ms);
  return kPlotLeftEdge + (shown - first_ms) * kPlotWidth * kSub / (last_ms - first_ms);
}

std::int64_t ChartScale::y_at(std::int64_t tenths) const {
  const std::int64_t shown = std::clamp<std::int64_t>(tenths, 0, top_speed * 10);
  return kPlotBottomEdge - shown * kPlotHeight * kSub / (top_speed * 10);
}

ChartScale chart_scale(const PairReadability& pair) {
  TimeRange range;
  std::int64_t fastest_tenths = 0;
  for (const CueReading& cue : pair.cues) {
    range.cover(cue.start_ms, cue.duration_ms);
    if (cue.duration_ms > 0) fastest_tenths = std::max(fastest_tenths, cue.cps_tenths);
  }
  for (const CueTime& cue : pair.file_cues) range.cover(cue.start_ms, cue.duration_ms);
  ChartScale scale;
  scale.first_ms = range.first;
  scale.last_ms = range.any ? range.last : range.first + kMsPerSecond;
  scale.time_step = tick_step(scale.last_ms - scale.first_ms, kTimeSteps);
  scale.hours = std::max(scale.last_ms, -scale.first_ms) >= kMsPerHour;

  const std::int64_t limit = pair.limits.cps;
  const std::int64_t wanted =
      std::min(std::max(limit + 1, (fastest_tenths + 9) / 10), std::max(kMostLimits * limit, limit + 1));
  scale.speed_step = tick_step(wanted, kSpeedSteps);
  scale.top_speed = (wanted + scale.speed_step - 1) / scale.speed_step * scale.speed_step;
  return scale;
}

}  // namespace rt
