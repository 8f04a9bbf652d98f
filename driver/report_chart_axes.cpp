// The chart's axes, grid and limit line. The lines of each kind make one
// path and the labels of each axis one group, as a long run draws two
// hundred charts.
#include <string>

#include "driver/report_chart_parts.h"
#include "driver/report_markup.h"

namespace rt {
namespace {

constexpr std::int64_t kTickLength = 5 * kSub;
constexpr std::int64_t kTimeLabelsBaseline = kPlotBottomEdge + 26 * kSub;
constexpr std::int64_t kSpeedLabelsRight = kPlotLeftEdge - 6 * kSub;
constexpr std::int64_t kSpeedLabelDrop = 4 * kSub;
constexpr std::int64_t kTitleLeft = 6 * kSub;
// In the top row, above the speeds of cut-off bars.
constexpr std::int64_t kSpeedTitleBaseline = 14 * kSub;

std::string label(std::int64_t x, std::int64_t y, const std::string& text) {
  return "<text x=\"" + svg_number(x) + "\" y=\"" + svg_number(y) + "\">" + text + "</text>\n";
}

std::string group(const char* anchor, const std::string& labels) {
  return std::string("<g text-anchor=\"") + anchor + "\">\n" + labels + "</g>\n";
}

}  // namespace

std::string chart_axes(const ChartScale& scale) {
  std::string grid;
  std::string speeds;
  for (std::int64_t speed = 0; speed <= scale.top_speed; speed += scale.speed_step) {
    const std::int64_t y = scale.y_at(speed * 10);
    grid += "M" + svg_number(kPlotLeftEdge) + " " + svg_number(y) + "H" + svg_number(kPlotRightEdge);
    speeds += label(kSpeedLabelsRight, y + kSpeedLabelDrop, std::to_string(speed));
  }
  std::string axes = "M" + svg_number(kPlotLeftEdge) + " " + svg_number(kPlotTopEdge) + "V" +
                     svg_number(kPlotBottomEdge) + "H" + svg_number(kPlotRightEdge);
  std::string times;
  const std::int64_t step = scale.time_step;
  const std::int64_t first_tick =
      scale.first_ms >= 0 ? (scale.first_ms + step - 1) / step * step : -(-scale.first_ms / step * step);
  for (std::int64_t tick = first_tick; tick <= scale.last_ms; tick += step) {
    const std::int64_t x = scale.x_at(tick);
    axes += "M" + svg_number(x) + " " + svg_number(kPlotBottomEdge) + "v" + svg_number(kTickLength);
    times += label(x, kTimeLabelsBaseline, clock_text(tick, scale.hours));
  }
  return svg_path("grid", grid) + group("end", speeds) + svg_path("axis", axes) + group("middle", times) +
         label(kTitleLeft, kTimeLabelsBaseline, "Zeit") + label(kTitleLeft, kSpeedTitleBaseline, "Zeichen/s");
}

std::string chart_limit(const ChartScale& scale, int cps_limit) {
  const std::string y = svg_number(scale.y_at(static_cast<std::int64_t>(cps_limit) * 10));
  return "<line class=\"limit\" x1=\"" + svg_number(kPlotLeftEdge) + "\" y1=\"" + y + "\" x2=\"" +
         svg_number(kPlotRightEdge) + "\" y2=\"" + y + "\"/>\n<text class=\"limit\" x=\"" +
         svg_number(kPlotRightEdge - 4 * kSub) + "\" y=\"" +
         svg_number(scale.y_at(static_cast<std::int64_t>(cps_limit) * 10) - 5 * kSub) +
         "\" text-anchor=\"end\">Grenzwert " + std::to_string(cps_limit) + "</text>\n";
}

}  // namespace rt
