#include "driver/report_page.h"

#include <algorithm>
#include <cstdint>

#include "driver/failure_reasons.h"
#include "driver/pairing.h"
#include "driver/report_chart_scale.h"
#include "driver/report_cue_table.h"
#include "driver/report_markup.h"
#include "driver/report_text.h"
#include "driver/report_overview.h"
#include "driver/report_style.h"
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
const char* const kPageStart =
    "<!DOCTYPE html>\n"
    "<html lang=\"de\">\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
    "<title>Lesbarkeit der Untertitel</title>\n";

// The hatching of the cues that got no text, defined once for every chart.
const char* const kBodyStart =
    "</head>\n"
    "<body>\n"
    "<svg class=\"defs\" aria-hidden=\"true\"><defs><pattern id=\"ohne-text\" width=\"6\" height=\"6\" "
    "patternUnits=\"userSpaceOnUse\" patternTransform=\"rotate(45)\"><line class=\"hatch\" x1=\"0\" y1=\"0\" "
    "x2=\"0\" y2=\"6\"/></pattern></defs></svg>\n"
    "<h1>Lesbarkeit der Untertitel</h1>\n";

const char* const kPageEnd = "</body>\n</html>\n";

// "10.12.2024, 04:12 Uhr" in the machine's local time.
std::string made_text(std::time_t made_at) {
  const std::tm* local = std::localtime(&made_at);
  char text[32];
  if (local == nullptr || std::strftime(text, sizeof text, "%d.%m.%Y, %H:%M Uhr", local) == 0) return "unbekannt";
  return text;
}

void add_figures(std::string& page, const PairReadability& pair) {
  const ReadabilitySummary summary = summarise(pair);
  auto figure = [&page](const std::string& term, const std::string& value) {
    page += "<dt>" + term + "</dt><dd>" + value + "</dd>\n";
  };
  page += "<dl>\n";
  figure("Geschrieben", std::to_string(pair.cues.size()) + " von " + std::to_string(pair.cues_in_file) +
                            (pair.cues_in_file == 1 ? " Untertitel" : " Untertiteln"));
  const std::int64_t unwritten = pair.cues_in_file - static_cast<std::int64_t>(pair.cues.size());
  if (unwritten > 0 && !pair.cues.empty()) {
    figure("Ohne Text", std::to_string(unwritten) + " Untertitel nach Nr. " + html_escaped(pair.cues.back().number) +
                            " (ab " + wide_timecode_text(text_end_ms(pair)) + ")");
  }
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

// What the chart shows and the keys of the marks it holds.
std::string chart_caption(const PairReadability& pair) {
  const ReadabilitySummary summary = summarise(pair);
  std::string keys = "<br><span class=\"key cue\"></span>Untertitel";
  if (summary.too_fast > 0) keys += "<span class=\"key over\"></span>zu schnell";
  if (summary.has_speeds && chart_scale(pair).cut_off(summary.max_tenths)) {
    keys += "<span class=\"key cut\">&#9650;</span>h&ouml;her als die Achse, mit Wert";
  }
  if (summary.too_long > 0) {
    keys += "<span class=\"key long\"></span>mehr als " + std::to_string(pair.limits.cue_characters) + " Zeichen";
  }
  if (pair.cues_in_file > static_cast<std::int64_t>(pair.cues.size())) {
    keys += "<span class=\"key unwritten\"></span>ohne Text";
  }
  const std::string limit = "rot: &uuml;ber dem Grenzwert von " + std::to_string(pair.limits.cps) +
                            " Zeichen pro Sekunde.";
  const std::int64_t span_minutes = chart_span_ms(pair) / kMsPerMinute;
  if (span_minutes == 0) return "Zeichen pro Sekunde je Untertitel &uuml;ber die Zeit; " + limit + keys;
  const std::string span = span_minutes == 1 ? "Minute" : std::to_string(span_minutes) + " Minuten";
  return "Zeichen pro Sekunde je " + span + ": der Balken bis zum 95. Perzentil, der Strich bis zum Maximum der "
         "Untertitel, die darin beginnen; " + limit + keys;
}

void add_section(std::string& page, const PairReadability& pair) {
  page += "<section id=\"objekt-" + std::to_string(pair.position) + "\">\n";
  page += "<h2>" + std::to_string(pair.position) + ". " + escaped_name(pair.timecode_name) + "</h2>\n";
  const std::string back = "<p class=\"back\"><a href=\"#uebersicht\">Zur &Uuml;bersicht</a></p>\n</section>\n";
  if (pair.text_name.empty()) {
    page += "<p class=\"failed\">Keine passende Textdatei</p>\n" + back;
    return;
  }
  page += "<p>Text: " + escaped_name(pair.text_name) + "<br>Ausgabe: untertitel/" + escaped_name(pair.output_name) +
          "</p>\n";
  if (pair.end != PairEnd::done) {
    const std::string reason = pair.failure_reason.empty() ? "" : ": " + escaped_name(pair.failure_reason);
    page += "<p class=\"failed\">Fehler" + reason + "</p>\n" + back;
    return;
  }
  add_figures(page, pair);
  // The chart alone scrolls sideways on a narrow screen, its caption stays.
  page += "<figure>\n<div class=\"plot\">\n" + readability_chart(pair) + "</div>\n<figcaption>" + chart_caption(pair) +
          "</figcaption>\n</figure>\n";
  page += flagged_cue_table(pair);
  page += back;
}

bool same_name_ignoring_case(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// Written through a numbered output file, each line ended by CR LF like
// every file the tool writes.
SaveResult save_page(const std::string& path, const std::string& page) {
  const int file = free_file_number();
  if (file == 0) return {SaveStep::not_open, {}};
  const OpenResult opened = open_output(path, file);
  if (opened != 0) return opened.save;
  for (std::size_t start = 0; start < page.size();) {
    std::size_t end = page.find('\n', start);
    if (end == std::string::npos) end = page.size();
    write_line(file, page.substr(start, end - start));
    start = end + 1;
  }
  return close_output(file);
}

}  // namespace

std::string report_page(const std::string& working_directory, const ReadabilityLimits& limits,
                        const std::vector<PairReadability>& pairs, std::time_t made_at) {
  std::string page = std::string(kPageStart) + kReportStyle + kBodyStart;
  page += "<p class=\"meta\">Verzeichnis: " + escaped_name(working_directory) + "<br>Erstellt: " +
          made_text(made_at) + "<br>Grenzwerte: " + std::to_string(limits.cps) + " Zeichen pro Sekunde, " +
          std::to_string(limits.cue_characters) + " Zeichen je Untertitel</p>\n";
  page += overview_section(limits, pairs);
  for (const PairReadability& pair : pairs) add_section(page, pair);
  page += kPageEnd;
  return page;
}

bool write_report_page(const std::string& working_directory, const ReadabilityLimits& limits,
                       const std::vector<PairReadability>& pairs) {
  print_line("");
  print_text("  Bericht: ");
  print_line(kReportPageName);
  const auto taken_by = std::find_if(pairs.begin(), pairs.end(), [](const PairReadability& pair) {
    return pair.end != PairEnd::skipped && same_name_ignoring_case(pair.output_name, kReportPageName);
  });
  std::string reason;
  if (taken_by != pairs.end()) {
    reason = page_name_taken_reason(taken_by->position);
  } else {
    const SaveResult saved = save_page(joined_path(output_folder(working_directory), kReportPageName),
                                       report_page(working_directory, limits, pairs, std::time(nullptr)));
    if (saved.saved()) return true;
    reason = save_failure_reason(saved, WrittenFile::report_page);
  }
  print_line(kFailureLine);
  print_line(reason_line(reason));
  return false;
}

}  // namespace rt
