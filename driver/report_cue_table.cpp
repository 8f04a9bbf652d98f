#include "driver/report_cue_table.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "driver/report_markup.h"
#include "driver/report_text.h"

namespace rt {
namespace {

const char* const kTableHead =
    "<thead><tr><th>Nr.</th><th>Beginn</th><th>Dauer (s)</th><th>Zeichen/s</th><th>N&ouml;tige Dauer (s)</th>"
    "<th>Zeichen</th><th>Zu viel</th><th>Text</th></tr></thead>\n";

// How far a cue lies above the limits, as the larger of its speed and its
// characters, each over its limit; both fractions are brought to the
// denominator 10 * cps * characters, so whole numbers compare them.
std::int64_t excess(const CueReading& cue, const ReadabilityLimits& limits) {
  const std::int64_t by_length = cue.characters * 10 * limits.cps;
  if (cue.duration_ms <= 0) return cue.too_fast ? std::numeric_limits<std::int64_t>::max() : by_length;
  return std::max(cue.cps_tenths * limits.cue_characters, by_length);
}

// A cue's text for a table cell: escaped, its line breaks kept as breaks,
// an ellipsis where it was cut.
std::string cue_cell(const CueReading& cue) {
  std::string cell;
  for (char b : html_escaped(cue.text)) {
    if (b == '\n') {
      cell += "<br>";
    } else {
      cell += b;
    }
  }
  if (cue.characters > static_cast<std::int64_t>(kShownCueCharacters)) cell += " &hellip;";
  return cell;
}

// One row; what is not above its limit leaves its remedy's cell empty, so
// the filled ones tell which limit a cue is above.
// The cells of the numbers and the row leave their end tags to the parser
// (a cell ends where the next begins, a row where the next begins), which
// keeps the thousands of rows of a long run small.
std::string cue_row(const CueReading& cue, const ReadabilityLimits& limits) {
  const std::string speed = cue.cps_tenths < 0 ? "&ndash;" : decimal_tenths(cue.cps_tenths);
  const std::string needed = cue.too_fast ? seconds_text(needed_duration_ms(cue, limits.cps)) : "";
  const std::string over = cue.too_long ? std::to_string(characters_over(cue, limits.cue_characters)) : "";
  return "<tr><td>" + html_escaped(cue.number) + "<td>" + timecode_text(cue.start_ms) + "<td>" +
         seconds_text(cue.duration_ms) + "<td>" + speed + "<td>" + needed + "<td>" +
         std::to_string(cue.characters) + "<td>" + over + "<td>" + cue_cell(cue) + "</td>\n";
}

void add_rows(std::string& html, const PairReadability& pair, const std::vector<std::size_t>& order,
              std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to; ++i) html += cue_row(pair.cues[order[i]], pair.limits);
}

}  // namespace

std::vector<std::size_t> worst_first(const PairReadability& pair) {
  std::vector<std::size_t> order;
  std::vector<std::int64_t> key(pair.cues.size());
  for (std::size_t i = 0; i < pair.cues.size(); ++i) {
    const CueReading& cue = pair.cues[i];
    if (!cue.too_fast && !cue.too_long) continue;
    order.push_back(i);
    key[i] = excess(cue, pair.limits);
  }
  std::stable_sort(order.begin(), order.end(), [&key](std::size_t a, std::size_t b) { return key[a] > key[b]; });
  return order;
}

std::string flagged_cue_table(const PairReadability& pair) {
  const std::vector<std::size_t> order = worst_first(pair);
  if (order.empty()) return "<p>Kein Untertitel &uuml;ber den Grenzwerten.</p>\n";
  const std::size_t shown = std::min(order.size(), kShownFlaggedCues);
  std::string html = "<table class=\"flagged\">\n<caption>Untertitel &uuml;ber den Grenzwerten, die schlimmsten zuerst";
  if (shown < order.size()) html += ": " + std::to_string(shown) + " von " + std::to_string(order.size());
  html += "</caption>\n" + std::string(kTableHead) + "<tbody>\n";
  add_rows(html, pair, order, 0, shown);
  html += "</tbody>\n</table>\n";
  if (shown == order.size()) return html;
  html += "<details>\n<summary>Die &uuml;brigen " + std::to_string(order.size() - shown) +
          " Untertitel &uuml;ber den Grenzwerten</summary>\n<table class=\"flagged\">\n" + kTableHead + "<tbody>\n";
  add_rows(html, pair, order, shown, order.size());
  return html + "</tbody>\n</table>\n</details>\n";
}

}  // namespace rt
