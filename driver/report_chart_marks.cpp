// The chart's marks for single cues: a bar per written cue, the marks of
// bars cut off at the top and of cues over the character limit.
#include <algorithm>
#include <string>

#include "driver/report_chart_parts.h"
#include "driver/report_markup.h"
#include "driver/report_text.h"

namespace rt {
namespace {

// A bar never gets narrower than this, so that a short cue of a long film
// still shows (tenths of a pixel).
constexpr std::int64_t kLeastBarWidth = 5;
constexpr std::int64_t kEmptyBarHeight = 3 * kSub;
constexpr std::int64_t kLeastLongMarkWidth = 3 * kSub;
// A bar over the limit narrower than this gets a dot above it, which
// finds it among its neighbours.
constexpr std::int64_t kDottedBelowWidth = 3 * kSub;
constexpr std::int64_t kDotAbove = 7 * kSub;
// The dot is a small diamond: from its top, the path data of its sides.
constexpr std::int64_t kDotRadius = 3 * kSub;
const char* const kDotSide = "3 3-3 3-3-3z";
// The triangle of a cut-off bar, just above the plot, and the row of the
// speeds above it; a speed is written only this far from the last one, so
// that neighbours do not overlap.
constexpr std::int64_t kTriangleHalfWidth = 4 * kSub;
constexpr std::int64_t kTriangleHeight = 6 * kSub;
constexpr std::int64_t kTriangleBase = kPlotTopEdge - 2 * kSub;
constexpr std::int64_t kCutValueBaseline = kPlotTopEdge - 11 * kSub;
constexpr std::int64_t kCutValueSpacing = 36 * kSub;

// Boxes standing on the axis, as the data of one path.
struct BarPath {
  std::string data;
  std::int64_t pen_x = 0;
};

void add_bar(BarPath& bars, std::int64_t x, std::int64_t width, std::int64_t top) {
  // After "z" the pen is back where its box began, so each box after the
  // first starts by a move relative to the one before.
  bars.data += bars.data.empty() ? "M" + svg_number(x) + " " + svg_number(kPlotBottomEdge)
                                 : "m" + svg_number(x - bars.pen_x) + " 0";
  bars.data += "V" + svg_number(top) + "h" + svg_number(width) + "V" + svg_number(kPlotBottomEdge) + "z";
  bars.pen_x = x;
}

}  // namespace

std::string svg_path(const char* kind, const std::string& data) {
  return data.empty() ? "" : std::string("<path class=\"") + kind + "\" d=\"" + data + "\"/>\n";
}

std::string box_path(std::int64_t x, std::int64_t width, std::int64_t top, std::int64_t bottom) {
  return "M" + svg_number(x) + " " + svg_number(bottom) + "V" + svg_number(top) + "h" + svg_number(width) + "V" +
         svg_number(bottom) + "z";
}

void add_cut_off(CutOffMarks& marks, std::int64_t x, std::int64_t tenths) {
  marks.triangles += "M" + svg_number(x - kTriangleHalfWidth) + " " + svg_number(kTriangleBase) + "l" +
                     svg_number(kTriangleHalfWidth) + " -" + svg_number(kTriangleHeight) + "l" +
                     svg_number(kTriangleHalfWidth) + " " + svg_number(kTriangleHeight) + "z";
  if (marks.any_value && x - marks.last_value_x < kCutValueSpacing) return;
  marks.values += "<text class=\"cut\" x=\"" + svg_number(x) + "\" y=\"" + svg_number(kCutValueBaseline) +
                  "\" text-anchor=\"middle\">" + decimal_tenths(tenths) + "</text>\n";
  marks.last_value_x = x;
  marks.any_value = true;
}

std::string cut_off_svg(const CutOffMarks& marks) { return svg_path("cut", marks.triangles) + marks.values; }

std::string too_long_mark(std::int64_t x, std::int64_t width, const std::string& tooltip) {
  return "<rect class=\"long\" x=\"" + svg_number(x) + "\" y=\"" + svg_number(kLongMarkTop) + "\" width=\"" +
         svg_number(std::max(width, kLeastLongMarkWidth)) + "\" height=\"" + svg_number(kLongMarkHeight) +
         "\"><title>" + tooltip + "</title></rect>\n";
}

std::string cue_bars(const PairReadability& pair, const ChartScale& scale) {
  BarPath plain;
  BarPath empty;
  BarPath over;
  std::string dots;
  std::string long_marks;
  CutOffMarks cut;
  for (const CueReading& cue : pair.cues) {
    const std::int64_t x = scale.x_at(cue.start_ms);
    const std::int64_t end = static_cast<std::int64_t>(cue.start_ms) + std::max(cue.duration_ms, 0);
    const std::int64_t width = std::max(scale.x_at(end) - x, kLeastBarWidth);
    if (cue.too_long) {
      long_marks += too_long_mark(x, width, "Nr. " + html_escaped(cue.number) + ", " +
                                                std::to_string(cue.characters) + " Zeichen");
    }
    if (cue.duration_ms <= 0) continue;
    const std::int64_t y = scale.y_at(cue.cps_tenths);
    if (cue.too_fast) {
      add_bar(over, x, width, y);
    } else if (cue.empty) {
      add_bar(empty, x, width, kPlotBottomEdge - kEmptyBarHeight);
    } else {
      add_bar(plain, x, width, y);
    }
    if (!cue.empty && scale.cut_off(cue.cps_tenths)) {
      add_cut_off(cut, x + width / 2, cue.cps_tenths);
    } else if (cue.too_fast && width < kDottedBelowWidth) {
      dots += "M" + svg_number(x + width / 2) + " " + svg_number(y - kDotAbove - kDotRadius) + "l" + kDotSide;
    }
  }
  return svg_path("cue", plain.data) + svg_path("cue empty", empty.data) + svg_path("cue over", over.data) +
         svg_path("mark", dots) + long_marks + cut_off_svg(cut);
}

}  // namespace rt
