#include "driver/report_overview.h"

#include <algorithm>

#include "driver/report_markup.h"

namespace rt {
namespace {

const char* const kOverviewHead =
    "<thead><tr><th>Timecodedatei</th><th>Geschrieben</th><th>Textrest</th><th>Median</th><th>Maximum</th>"
    "<th>Zu schnell</th><th>Zu lang</th><th>Zu tun</th></tr></thead>\n";
constexpr int kFigureColumns = 7;

// Where a pair stands in the overview before its work is weighed.
int standing(const PairReadability& pair) {
  if (pair.text_name.empty()) return 1;
  return pair.end == PairEnd::done ? 2 : 0;
}

std::string emphasised(const std::string& value, bool flagged) {
  return flagged ? "<strong>" + value + "</strong>" : value;
}

std::string name_cell(const PairReadability& pair) {
  return "<th><a href=\"#objekt-" + std::to_string(pair.position) + "\">" + std::to_string(pair.position) + ". " +
         escaped_name(pair.timecode_name) + "</a></th>";
}

std::string note_row(const PairReadability& pair, const char* kind, const std::string& note) {
  return std::string("<tr class=\"") + kind + "\">" + name_cell(pair) + "<td class=\"note\" colspan=\"" +
         std::to_string(kFigureColumns) + "\">" + note + "</td></tr>\n";
}

std::string figures_row(const PairReadability& pair) {
  const ReadabilitySummary summary = summarise(pair);
  const std::int64_t written = static_cast<std::int64_t>(pair.cues.size());
  const std::string none = "&ndash;";
  std::string row = "<tr>" + name_cell(pair);
  row += "<td>" + emphasised(std::to_string(written) + " von " + std::to_string(pair.cues_in_file),
                             written < pair.cues_in_file) + "</td>";
  row += "<td>" + emphasised(std::to_string(pair.left_over_characters), pair.left_over_characters > 0) + "</td>";
  row += "<td>" + (summary.has_speeds ? decimal_tenths(summary.median_tenths) : none) + "</td>";
  row += "<td>" + (summary.has_speeds ? decimal_tenths(summary.max_tenths) : none) + "</td>";
  row += "<td>" + std::to_string(summary.too_fast) + "</td><td>" + std::to_string(summary.too_long) + "</td>";
  return row + "<td>" + std::to_string(open_work(pair)) + "</td></tr>\n";
}

std::string overview_row(const PairReadability& pair) {
  if (pair.text_name.empty()) return note_row(pair, "skipped", "Keine passende Textdatei");
  if (pair.end != PairEnd::done) {
    const std::string reason = pair.failure_reason.empty() ? "" : ": " + escaped_name(pair.failure_reason);
    return note_row(pair, "failed", "Fehler" + reason);
  }
  return figures_row(pair);
}

}  // namespace

std::int64_t open_work(const PairReadability& pair) {
  std::int64_t work = std::max<std::int64_t>(0, pair.cues_in_file - static_cast<std::int64_t>(pair.cues.size()));
  for (const CueReading& cue : pair.cues) work += cue.too_fast || cue.too_long ? 1 : 0;
  const std::int64_t per_cue = std::max(pair.limits.cue_characters, 1);
  return work + (pair.left_over_characters + per_cue - 1) / per_cue;
}

std::vector<std::size_t> work_order(const std::vector<PairReadability>& pairs) {
  std::vector<std::size_t> order(pairs.size());
  std::vector<std::int64_t> work(pairs.size());
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    order[i] = i;
    work[i] = standing(pairs[i]) == 2 ? open_work(pairs[i]) : 0;
  }
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const int standing_a = standing(pairs[a]);
    const int standing_b = standing(pairs[b]);
    return standing_a != standing_b ? standing_a < standing_b : work[a] > work[b];
  });
  return order;
}

std::string overview_section(const ReadabilityLimits& limits, const std::vector<PairReadability>& pairs) {
  std::string html = "<section id=\"uebersicht\">\n<h2>&Uuml;bersicht</h2>\n";
  if (pairs.empty()) return html + "<p>Keine Timecodedateien.</p>\n</section>\n";
  html += "<p class=\"note\">Textrest in Zeichen, Median und Maximum in Zeichen pro Sekunde. Zuerst die Paare "
          "mit Fehler und die ohne passende Textdatei, dann nach dem, was zu tun ist: die Zahl der Untertitel ohne "
          "Text oder &uuml;ber einem Grenzwert, und f&uuml;r den Textrest einer je angefangene " +
          std::to_string(limits.cue_characters) + " Zeichen.</p>\n";
  html += "<table class=\"overview\">\n" + std::string(kOverviewHead) + "<tbody>\n";
  for (std::size_t i : work_order(pairs)) html += overview_row(pairs[i]);
  return html + "</tbody>\n</table>\n</section>\n";
}

}  // namespace rt
