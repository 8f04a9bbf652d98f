// The chart of a long file: its time cut into spans (a minute, or more for
// very long files), each drawn as the 95th percentile and the maximum of
// the speeds of the cues that start in it, so that a few thousand cues
// still read as a profile and the worst minutes stand out.
#include <algorithm>
#include <string>
#include <vector>

#include "driver/report_chart_parts.h"
#include "driver/report_markup.h"

namespace rt {
namespace {

// A span this wide or wider keeps a pixel of air to its neighbour.
constexpr std::int64_t kGapFromWidth = 3 * kSub;

struct Bin {
  std::vector<std::int64_t> speeds;  // of the cues that count, in tenths
  std::int64_t too_long = 0;
};

// The spans begin on whole multiples of their length, so that they read as
// the minutes of the film, the first one at or before the chart's start.
std::int64_t first_span_ms(const ChartScale& scale, std::int64_t bin_ms) {
  const std::int64_t below = scale.first_ms % bin_ms;
  return scale.first_ms - (below < 0 ? below + bin_ms : below);
}

std::vector<Bin> fill_bins(const PairReadability& pair, const ChartScale& scale, std::int64_t bin_ms) {
  const std::int64_t origin = first_span_ms(scale, bin_ms);
  std::vector<Bin> bins(static_cast<std::size_t>((scale.last_ms - origin + bin_ms - 1) / bin_ms));
  for (const CueReading& cue : pair.cues) {
    const std::int64_t from_origin =
        std::clamp<std::int64_t>(cue.start_ms, scale.first_ms, scale.last_ms - 1) - origin;
    Bin& bin = bins[static_cast<std::size_t>(from_origin / bin_ms)];
    bin.too_long += cue.too_long ? 1 : 0;
    if (counts_for_speed(cue)) bin.speeds.push_back(cue.cps_tenths);
  }
  return bins;
}

std::string bin_bar(const char* kind, std::int64_t x, std::int64_t width, std::int64_t y,
                    const std::string& tooltip) {
  return std::string("<rect class=\"") + kind + "\" x=\"" + svg_number(x) + "\" y=\"" + svg_number(y) +
         "\" width=\"" + svg_number(width) + "\" height=\"" + svg_number(kPlotBottomEdge - y) + "\"><title>" +
         tooltip + "</title></rect>\n";
}

// A whisker from the top of the bar to the maximum, capped across the span.
std::string whisker(std::int64_t x, std::int64_t width, std::int64_t top, std::int64_t bar_top) {
  return "M" + svg_number(x) + " " + svg_number(top) + "h" + svg_number(width) + "M" + svg_number(x + width / 2) +
         " " + svg_number(top) + "V" + svg_number(bar_top);
}

}  // namespace

std::string speed_bins(const PairReadability& pair, const ChartScale& scale, std::int64_t bin_ms) {
  std::vector<Bin> bins = fill_bins(pair, scale, bin_ms);
  const std::int64_t limit_tenths = static_cast<std::int64_t>(pair.limits.cps) * 10;
  std::string bars;
  std::string peaks;
  std::string peaks_over;
  std::string long_marks;
  CutOffMarks cut;
  for (std::size_t i = 0; i < bins.size(); ++i) {
    Bin& bin = bins[i];
    const std::int64_t from_ms = first_span_ms(scale, bin_ms) + static_cast<std::int64_t>(i) * bin_ms;
    const std::int64_t x = scale.x_at(from_ms);
    const std::int64_t span = scale.x_at(from_ms + bin_ms) - x;
    const std::int64_t width = span >= kGapFromWidth ? span - kSub : span;
    const std::string from = "ab " + clock_text(from_ms, scale.hours);
    if (bin.too_long > 0) {
      long_marks += too_long_mark(x, width, from + ": " + std::to_string(bin.too_long) + " mit mehr als " +
                                                std::to_string(pair.limits.cue_characters) + " Zeichen");
    }
    if (bin.speeds.empty()) continue;
    std::sort(bin.speeds.begin(), bin.speeds.end());
    const std::int64_t p95 = percentile_95(bin.speeds);
    const std::int64_t most = bin.speeds.back();
    bars += bin_bar(p95 > limit_tenths ? "bin over" : "bin", x, width, scale.y_at(p95),
                    from + ": 95. Perzentil " + decimal_tenths(p95) + ", Maximum " + decimal_tenths(most) +
                        " Zeichen/s, " + std::to_string(bin.speeds.size()) + " Untertitel");
    (most > limit_tenths ? peaks_over : peaks) += whisker(x, width, scale.y_at(most), scale.y_at(p95));
    if (scale.cut_off(most)) add_cut_off(cut, x + width / 2, most);
  }
  return bars + svg_path("peak", peaks) + svg_path("peak over", peaks_over) + long_marks + cut_off_svg(cut);
}

}  // namespace rt
