// Where the text ran out: the cues of the timecode file after the last one
// written, which the output lacks, hatched over the whole height of the
// plot, and a line with its label where the written cues end.
#include <algorithm>
#include <string>

#include "driver/report_chart.h"
#include "driver/report_chart_parts.h"
#include "driver/report_markup.h"
#include "driver/report_text.h"

namespace rt {
namespace {

constexpr std::int64_t kRunOutLabelBaseline = kPlotTopEdge - 26 * kSub;
constexpr std::int64_t kRunOutLineTop = kPlotTopEdge - 22 * kSub;
constexpr std::int64_t kRunOutLabelGap = 4 * kSub;

// The label beside the line, on the side with more room.
std::string run_out_label(std::int64_t x, const std::string& text) {
  const bool left_of_line = x > (kPlotLeftEdge + kPlotRightEdge) / 2;
  return "<text class=\"runout\" x=\"" + svg_number(left_of_line ? x - kRunOutLabelGap : x + kRunOutLabelGap) +
         "\" y=\"" + svg_number(kRunOutLabelBaseline) + "\" text-anchor=\"" + (left_of_line ? "end" : "start") +
         "\">" + text + "</text>\n";
}

}  // namespace

std::string unwritten_cues(const PairReadability& pair, const ChartScale& scale, bool per_cue) {
  const std::size_t written = pair.cues.size();
  if (written >= pair.file_cues.size()) return "";
  const CueReading* last = written > 0 ? &pair.cues.back() : nullptr;
  const std::int64_t run_out_ms = text_end_ms(pair);
  std::string hatched;
  std::int64_t band_end_ms = run_out_ms;
  for (std::size_t i = written; i < pair.file_cues.size(); ++i) {
    const CueTime& cue = pair.file_cues[i];
    if (cue.duration_ms <= 0) continue;
    const std::int64_t end_ms = static_cast<std::int64_t>(cue.start_ms) + cue.duration_ms;
    band_end_ms = std::max(band_end_ms, end_ms);
    if (per_cue) {
      const std::int64_t x = scale.x_at(cue.start_ms);
      hatched += box_path(x, std::max<std::int64_t>(scale.x_at(end_ms) - x, 1), kPlotTopEdge, kPlotBottomEdge);
    }
  }
  const std::int64_t x = scale.x_at(run_out_ms);
  if (!per_cue && band_end_ms > run_out_ms) {
    hatched = box_path(x, scale.x_at(band_end_ms) - x, kPlotTopEdge, kPlotBottomEdge);
  }
  const std::string missing = std::to_string(pair.file_cues.size() - written);
  std::string svg;
  if (!hatched.empty()) {
    svg += "<path class=\"unwritten\" d=\"" + hatched + "\"><title>" + missing + " Untertitel ohne Text ab " +
           wide_timecode_text(run_out_ms) + "</title></path>\n";
  }
  svg += "<line class=\"runout\" x1=\"" + svg_number(x) + "\" y1=\"" + svg_number(kRunOutLineTop) + "\" x2=\"" +
         svg_number(x) + "\" y2=\"" + svg_number(kPlotBottomEdge) + "\"/>\n";
  return svg + run_out_label(x, last != nullptr ? "Text endet bei Nr. " + html_escaped(last->number) + " (" +
                                                      wide_timecode_text(run_out_ms) + ")"
                                                : std::string("Kein Untertitel geschrieben"));
}

}  // namespace rt
