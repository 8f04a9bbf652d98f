#include "driver/report_page.h"

#include <algorithm>
#include <cstdint>

#include "driver/pairing.h"
#include "driver/report_text.h"
#include "retime/distribution.h"
#include "text/console_print.h"
#include "text/files.h"
#include "text/paths.h"

namespace rt {
namespace {

// The policy keeps the page from loading or running anything, whatever
// its text holds: no script, no image, font, frame or style from a file.
// The page's own German spells its umlauts as character references (as
// "&uuml;"), so that this source stays ASCII.
const char* const kPageHead =
    "<!DOCTYPE html>\n"
    "<html lang=\"de\">\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<title>Lesbarkeit der Untertitel</title>\n"
    "<style>\n"
    "body{font-family:sans-serif;line-height:1.4;color:#1a1a1a;background:#fff;max-width:64em;"
    "margin:1.5em auto;padding:0 1em}\n"
    "h1{font-size:1.5em}\n"
    "h2{font-size:1.2em;margin-top:2em;border-bottom:1px solid #ccc}\n"
    "dl{display:grid;grid-template-columns:max-content auto;gap:.2em 1em}\n"
    "dt{font-weight:bold}\n"
    "dd{margin:0}\n"
    "figure{margin:1em 0}\n"
    "svg.chart{width:100%;height:auto;background:#fafafa;border:1px solid #ddd}\n"
    ".chart text{font-size:12px;fill:#333}\n"
    ".chart .axis{stroke:#444;stroke-width:1}\n"
    ".chart .grid{stroke:#e2e2e2;stroke-width:1}\n"
    ".chart .cue{fill:#5b84ad}\n"
    ".chart .cue.over,.chart .mark{fill:#c62828}\n"
    ".chart .cue.empty{fill:#b0b0b0}\n"
    ".chart .limit{stroke:#c62828;stroke-width:1.5;stroke-dasharray:6 4}\n"
    "table{border-collapse:collapse;width:100%}\n"
    "th,td{border:1px solid #ccc;padding:.25em .5em;text-align:left;vertical-align:top}\n"
    "th{white-space:nowrap}\n"
    "td.n{text-align:right;white-space:nowrap}\n"
    ".failed{color:#c62828;font-weight:bold}\n"
    "</style>\n"
    "</head>\n"
    "<body>\n"
    "<h1>Lesbarkeit der Untertitel</h1>\n";

const char* const kPageEnd = "</body>\n</html>\n";

// The chart's frame in pixels: the plot area and the margins for the
// scales around it.
constexpr std::int64_t kChartWidth = 900;
constexpr std::int64_t kChartHeight = 320;
constexpr std::int64_t kPlotLeft = 56;
constexpr std::int64_t kPlotTop = 20;
constexpr std::int64_t kPlotWidth = 824;
constexpr std::int64_t kPlotHeight = 256;
// Coordinates are worked out in tenths of a pixel, in whole numbers, so
// the page comes out the same everywhere.
constexpr std::int64_t kSub = 10;
// A bar never gets narrower than this, so that a short cue of a long film
// still shows (tenths of a pixel).
constexpr std::int64_t kLeastBarWidth = 5;
constexpr std::int64_t kEmptyBarHeight = 3 * kSub;
constexpr int kMostTicks = 8;

// "123.4": tenths of a pixel as an SVG number.
std::string svg_number(std::int64_t tenths) {
  const std::string sign = tenths < 0 ? "-" : "";
  const std::int64_t magnitude = tenths < 0 ? -tenths : tenths;
  return sign + std::to_string(magnitude / 10) + (magnitude % 10 == 0 ? "" : "." + std::to_string(magnitude % 10));
}

std::string px(std::int64_t pixels) { return svg_number(pixels * kSub); }

// The smallest of the candidate steps that cuts span into at most
// kMostTicks pieces (the last candidate when none does).
template <std::size_t N>
std::int64_t tick_step(std::int64_t span, const std::int64_t (&candidates)[N]) {
  for (std::int64_t step : candidates) {
    if (span / step <= kMostTicks) return step;
  }
  const std::int64_t last = candidates[N - 1];
  return (span / kMostTicks / last + 1) * last;
}

// A time on the chart's scale: "1:05" or, for a film of an hour or more,
// "1:02:05".
std::string scale_time(std::int64_t ms, bool hours) {
  const std::string sign = ms < 0 ? "-" : "";
  const std::int64_t seconds = (ms < 0 ? -ms : ms) / 1000;
  auto two = [](std::int64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); };
  if (hours) return sign + std::to_string(seconds / 3600) + ":" + two(seconds / 60 % 60) + ":" + two(seconds % 60);
  return sign + std::to_string(seconds / 60) + ":" + two(seconds % 60);
}

// "2,000": a duration in seconds with its milliseconds, German.
std::string seconds_text(std::int32_t ms) {
  const std::string sign = ms < 0 ? "-" : "";
  const std::int64_t magnitude = ms < 0 ? -static_cast<std::int64_t>(ms) : ms;
  const std::int64_t millis = magnitude % 1000;
  return sign + std::to_string(magnitude / 1000) + "," + (millis < 100 ? "0" : "") + (millis < 10 ? "0" : "") +
         std::to_string(millis);
}

std::string escaped_name(const std::string& name) { return html_escaped(page_name(name)); }

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

std::string emphasised(const std::string& value, bool flagged) {
  return flagged ? "<strong>" + value + "</strong>" : value;
}

void add_figures(std::string& page, const PairReadability& pair) {
  const ReadabilitySummary summary = summarise(pair);
  auto figure = [&page](const std::string& term, const std::string& value) {
    page += "<dt>" + term + "</dt><dd>" + value + "</dd>\n";
  };
  page += "<dl>\n";
  figure("Geschrieben", std::to_string(pair.cues.size()) + " von " + std::to_string(pair.cues_in_file) +
                            (pair.cues_in_file == 1 ? " Untertitel" : " Untertiteln"));
  figure("Leer", std::to_string(summary.empty));
  figure("Textrest (nicht verteilt)", std::to_string(pair.left_over_characters) + " Zeichen");
  if (summary.has_speeds) {
    const CueReading& fastest = pair.cues[summary.fastest];
    figure("Zeichen pro Sekunde", "Median " + decimal_tenths(summary.median_tenths) + ", 95. Perzentil " +
                                      decimal_tenths(summary.percentile_95_tenths) + ", Maximum " +
                                      decimal_tenths(summary.max_tenths) + " (Nr. " + html_escaped(fastest.number) +
                                      ", " + timecode_text(fastest.start_ms) + ")");
  } else {
    figure("Zeichen pro Sekunde", "kein Untertitel mit Text");
  }
  figure("Mehr als " + std::to_string(pair.limits.cps) + " Zeichen/s", std::to_string(summary.too_fast));
  figure("Mehr als " + std::to_string(pair.limits.cue_characters) + " Zeichen", std::to_string(summary.too_long));
  figure("Korrekturfaktor",
         decimal_factor(pair.factor) + " nach " + std::to_string(pair.passes) + " Runden");
  page += "</dl>\n";
}

void add_flagged_table(std::string& page, const PairReadability& pair) {
  const bool any = std::any_of(pair.cues.begin(), pair.cues.end(),
                               [](const CueReading& cue) { return cue.too_fast || cue.too_long; });
  if (!any) {
    page += "<p>Kein Untertitel &uuml;ber den Grenzwerten.</p>\n";
    return;
  }
  page += "<table class=\"flagged\">\n"
          "<caption>Untertitel &uuml;ber den Grenzwerten</caption>\n"
          "<thead><tr><th>Nr.</th><th>Beginn</th><th>Dauer (s)</th><th>Zeichen/s</th><th>Zeichen</th>"
          "<th>Text</th></tr></thead>\n"
          "<tbody>\n";
  for (const CueReading& cue : pair.cues) {
    if (!cue.too_fast && !cue.too_long) continue;
    const std::string speed = cue.cps_tenths < 0 ? "&ndash;" : decimal_tenths(cue.cps_tenths);
    page += "<tr><td class=\"n\">" + html_escaped(cue.number) + "</td><td class=\"n\">" +
            timecode_text(cue.start_ms) + "</td><td class=\"n\">" + seconds_text(cue.duration_ms) +
            "</td><td class=\"n\">" + emphasised(speed, cue.too_fast) + "</td><td class=\"n\">" +
            emphasised(std::to_string(cue.characters), cue.too_long) + "</td><td>" + cue_cell(cue) + "</td></tr>\n";
  }
  page += "</tbody>\n</table>\n";
}

void add_section(std::string& page, const PairReadability& pair) {
  page += "<section id=\"objekt-" + std::to_string(pair.position) + "\">\n";
  page += "<h2>" + std::to_string(pair.position) + ". " + escaped_name(pair.timecode_name) + "</h2>\n";
  if (pair.text_name.empty()) {
    page += "<p class=\"failed\">Keine passende Textdatei</p>\n</section>\n";
    return;
  }
  page += "<p>Text: " + escaped_name(pair.text_name) + "<br>Ausgabe: untertitel/" + escaped_name(pair.output_name) +
          "</p>\n";
  if (pair.end != PairEnd::done) {
    page += "<p class=\"failed\">Fehler</p>\n</section>\n";
    return;
  }
  add_figures(page, pair);
  page += "<figure>\n" + readability_chart(pair) +
          "<figcaption>Zeichen pro Sekunde je Untertitel &uuml;ber die Zeit; rot: &uuml;ber dem Grenzwert von " +
          std::to_string(pair.limits.cps) + " Zeichen pro Sekunde.</figcaption>\n</figure>\n";
  add_flagged_table(page, pair);
  page += "</section>\n";
}

bool same_name_ignoring_case(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// Written through a numbered output file, each line ended by CR LF like
// every file the tool writes.
bool save_page(const std::string& path, const std::string& page) {
  const int file = free_file_number();
  if (file == 0 || open_output(path, file) != 0) return false;
  for (std::size_t start = 0; start < page.size();) {
    std::size_t end = page.find('\n', start);
    if (end == std::string::npos) end = page.size();
    write_line(file, page.substr(start, end - start));
    start = end + 1;
  }
  return close_output(file);
}

}  // namespace

std::string readability_chart(const PairReadability& pair) {
  std::int64_t first_ms = 0;
  std::int64_t last_ms = 0;
  std::int64_t fastest_tenths = 0;
  bool any = false;
  for (const CueReading& cue : pair.cues) {
    if (cue.duration_ms <= 0) continue;
    const std::int64_t end = static_cast<std::int64_t>(cue.start_ms) + cue.duration_ms;
    first_ms = any ? std::min<std::int64_t>(first_ms, cue.start_ms) : cue.start_ms;
    last_ms = any ? std::max(last_ms, end) : end;
    fastest_tenths = std::max(fastest_tenths, cue.cps_tenths);
    any = true;
  }
  if (!any) last_ms = first_ms + 1000;
  const std::int64_t span_ms = last_ms - first_ms;

  // The vertical scale reaches above the limit and the fastest cue, but no
  // further than four times the limit: a single runaway cue must not
  // flatten all the others.
  const std::int64_t limit = pair.limits.cps;
  const std::int64_t wanted = std::min(std::max(limit + 1, (fastest_tenths + 9) / 10), std::max(4 * limit, limit + 1));
  static constexpr std::int64_t kSpeedSteps[] = {1, 2, 5, 10, 20, 50, 100, 200, 500};
  const std::int64_t speed_step = tick_step(wanted, kSpeedSteps);
  const std::int64_t top_speed = (wanted + speed_step - 1) / speed_step * speed_step;

  auto x_at = [&](std::int64_t ms) { return kPlotLeft * kSub + (ms - first_ms) * kPlotWidth * kSub / span_ms; };
  auto y_at = [&](std::int64_t tenths) {
    const std::int64_t shown = std::min(tenths, top_speed * 10);
    return (kPlotTop + kPlotHeight) * kSub - shown * kPlotHeight * kSub / (top_speed * 10);
  };
  const std::int64_t bottom = (kPlotTop + kPlotHeight) * kSub;
  const std::int64_t left = kPlotLeft * kSub;
  const std::int64_t right = (kPlotLeft + kPlotWidth) * kSub;

  std::string svg = "<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + px(kChartWidth) + " " +
                    px(kChartHeight) + "\" role=\"img\" aria-label=\"Zeichen pro Sekunde je Untertitel, Grenzwert " +
                    std::to_string(limit) + "\">\n";
  for (std::int64_t speed = 0; speed <= top_speed; speed += speed_step) {
    const std::string y = svg_number(y_at(speed * 10));
    svg += "<line class=\"grid\" x1=\"" + svg_number(left) + "\" y1=\"" + y + "\" x2=\"" + svg_number(right) +
           "\" y2=\"" + y + "\"/>\n";
    svg += "<text x=\"" + svg_number(left - 6 * kSub) + "\" y=\"" + svg_number(y_at(speed * 10) + 4 * kSub) +
           "\" text-anchor=\"end\">" + std::to_string(speed) + "</text>\n";
  }
  static constexpr std::int64_t kTimeSteps[] = {1000,   2000,   5000,    10000,   15000,   30000,  60000,
                                                120000, 300000, 600000,  900000,  1800000, 3600000};
  const std::int64_t time_step = tick_step(span_ms, kTimeSteps);
  const bool hours = std::max(last_ms, -first_ms) >= 3600000;
  const std::int64_t first_tick = first_ms >= 0 ? (first_ms + time_step - 1) / time_step * time_step
                                                : -(-first_ms / time_step * time_step);
  for (std::int64_t tick = first_tick; tick <= last_ms; tick += time_step) {
    const std::string x = svg_number(x_at(tick));
    svg += "<line class=\"axis\" x1=\"" + x + "\" y1=\"" + svg_number(bottom) + "\" x2=\"" + x + "\" y2=\"" +
           svg_number(bottom + 5 * kSub) + "\"/>\n";
    svg += "<text x=\"" + x + "\" y=\"" + svg_number(bottom + 18 * kSub) + "\" text-anchor=\"middle\">" +
           scale_time(tick, hours) + "</text>\n";
  }
  svg += "<line class=\"axis\" x1=\"" + svg_number(left) + "\" y1=\"" + svg_number(bottom) + "\" x2=\"" +
         svg_number(right) + "\" y2=\"" + svg_number(bottom) + "\"/>\n";
  svg += "<line class=\"axis\" x1=\"" + svg_number(left) + "\" y1=\"" + px(kPlotTop) + "\" x2=\"" + svg_number(left) +
         "\" y2=\"" + svg_number(bottom) + "\"/>\n";
  svg += "<text x=\"" + px(kPlotLeft + kPlotWidth) + "\" y=\"" + px(kChartHeight - 6) +
         "\" text-anchor=\"end\">Zeit</text>\n";
  svg += "<text x=\"" + px(6) + "\" y=\"" + px(kPlotTop - 6) + "\">Zeichen/s</text>\n";

  for (const CueReading& cue : pair.cues) {
    if (cue.duration_ms <= 0) continue;
    const std::int64_t x = x_at(cue.start_ms);
    const std::int64_t width = std::max(x_at(static_cast<std::int64_t>(cue.start_ms) + cue.duration_ms) - x,
                                        kLeastBarWidth);
    // An empty cue gets a low grey bar, so that the chart shows where the
    // text ran out.
    const std::int64_t y = cue.empty ? bottom - kEmptyBarHeight : y_at(cue.cps_tenths);
    const bool over = cue.too_fast;
    const char* kind = over ? "cue over" : cue.empty ? "cue empty" : "cue";
    svg += std::string("<rect class=\"") + kind + "\" x=\"" + svg_number(x) + "\" y=\"" +
           svg_number(y) + "\" width=\"" + svg_number(width) + "\" height=\"" + svg_number(bottom - y) +
           "\"><title>Nr. " + html_escaped(cue.number) + ", " + timecode_text(cue.start_ms) + ", " +
           decimal_tenths(cue.cps_tenths) + " Zeichen/s, " + std::to_string(cue.characters) +
           " Zeichen</title></rect>\n";
    if (over) {
      svg += "<circle class=\"mark\" cx=\"" + svg_number(x + width / 2) + "\" cy=\"" +
             svg_number(std::max(y - 7 * kSub, (kPlotTop + 4) * kSub)) + "\" r=\"3\"/>\n";
    }
  }
  const std::string limit_y = svg_number(y_at(limit * 10));
  svg += "<line class=\"limit\" x1=\"" + svg_number(left) + "\" y1=\"" + limit_y + "\" x2=\"" + svg_number(right) +
         "\" y2=\"" + limit_y + "\"/>\n";
  svg += "<text x=\"" + svg_number(right - 4 * kSub) + "\" y=\"" + svg_number(y_at(limit * 10) - 5 * kSub) +
         "\" text-anchor=\"end\">Grenzwert " + std::to_string(limit) + "</text>\n";
  svg += "</svg>\n";
  return svg;
}

std::string report_page(const std::string& working_directory, const ReadabilityLimits& limits,
                        const std::vector<PairReadability>& pairs) {
  std::string page = kPageHead;
  page += "<p>Verzeichnis: " + escaped_name(working_directory) + "<br>Grenzwerte: " + std::to_string(limits.cps) +
          " Zeichen pro Sekunde, " + std::to_string(limits.cue_characters) + " Zeichen je Untertitel</p>\n";
  if (pairs.empty()) page += "<p>Keine Timecodedateien.</p>\n";
  for (const PairReadability& pair : pairs) add_section(page, pair);
  page += kPageEnd;
  return page;
}

bool write_report_page(const std::string& working_directory, const ReadabilityLimits& limits,
                       const std::vector<PairReadability>& pairs) {
  print_line("");
  print_text("  Bericht: ");
  print_line(kReportPageName);
  const bool name_taken = std::any_of(pairs.begin(), pairs.end(), [](const PairReadability& pair) {
    return pair.end != PairEnd::skipped && same_name_ignoring_case(pair.output_name, kReportPageName);
  });
  const bool written = !name_taken && save_page(joined_path(output_folder(working_directory), kReportPageName),
                                                 report_page(working_directory, limits, pairs));
  if (!written) print_line(kFailureLine);
  return written;
}

}  // namespace rt
