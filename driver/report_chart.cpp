#include "driver/report_chart.h"

#include <algorithm>

#include "driver/report_chart_parts.h"
#include "driver/report_chart_scale.h"
#include "driver/report_markup.h"

namespace rt {
namespace {

// A long file's chart gets at most this many spans, so that each is a few
// pixels wide.
constexpr std::int64_t kMostSpans = 240;
constexpr std::int64_t kSpanMinutes[] = {1, 2, 5, 10, 15, 30, 60};

std::int64_t span_ms(const ChartScale& scale) {
  const std::int64_t time = scale.last_ms - scale.first_ms;
  for (std::int64_t minutes : kSpanMinutes) {
    if (time <= kMostSpans * minutes * kMsPerMinute) return minutes * kMsPerMinute;
  }
  const std::int64_t hours = time / (kMostSpans * 60 * kMsPerMinute) + 1;
  return hours * 60 * kMsPerMinute;
}

bool drawn_in_spans(const PairReadability& pair) {
  return std::max<std::int64_t>(pair.cues_in_file, static_cast<std::int64_t>(pair.cues.size())) > kMostSingleBars;
}

}  // namespace

std::int64_t chart_span_ms(const PairReadability& pair) {
  return drawn_in_spans(pair) ? span_ms(chart_scale(pair)) : 0;
}

std::string readability_chart(const PairReadability& pair) {
  const ChartScale scale = chart_scale(pair);
  const bool in_spans = drawn_in_spans(pair);
  std::string svg = "<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
                    svg_number(kChartWidth * kSub) + " " + svg_number(kChartHeight * kSub) +
                    "\" role=\"img\" aria-label=\"Zeichen pro Sekunde je Untertitel, Grenzwert " +
                    std::to_string(pair.limits.cps) + "\">\n";
  svg += chart_axes(scale);
  svg += unwritten_cues(pair, scale, !in_spans);
  svg += in_spans ? speed_bins(pair, scale, span_ms(scale)) : cue_bars(pair, scale);
  svg += chart_limit(scale, pair.limits.cps);
  return svg + "</svg>\n";
}

}  // namespace rt
