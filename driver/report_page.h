// The readability page of a batch, untertitel/bericht.html: one HTML file in
// UTF-8 that opens offline and runs nothing (no script, no file, image or
// font from elsewhere; its own policy forbids them), with a section per
// timecode file: the figures of driver/report.h, a chart of the reading
// speed of every cue over time with the limit as a line and the cues above
// it marked, and a table of the flagged cues. Every text that comes from
// the user (names, the directory, the cues' texts) is escaped.
#pragma once

#include <string>
#include <vector>

#include "driver/report.h"

namespace rt {

// The page's name in the output folder.
inline const std::string kReportPageName = "bericht.html";

// The whole page, each line ended by "\n". working_directory is shown as
// given; pairs are the blocks of the batch in order.
std::string report_page(const std::string& working_directory, const ReadabilityLimits& limits,
                        const std::vector<PairReadability>& pairs);

// The chart of one pair: an inline <svg> element, one line per element.
// Time runs along the horizontal axis, characters per second up the
// vertical one; each cue with a positive duration is a bar as wide as its
// duration and as high as its speed (cut off at the top of the chart), the
// ones above the limit are drawn in the class "over" with a mark above, the
// empty ones low in the class "empty", and the limit is a dashed line of
// the class "limit".
std::string readability_chart(const PairReadability& pair);

// After the last pair: an empty line and "  Bericht: bericht.html", then the
// page written whole to working_directory\untertitel\bericht.html, or
// " Fehler" when it could not be (the folder is missing or not writable, a
// write failed, or a pair's output already took that name, which the page
// must not replace). True when the page was written.
bool write_report_page(const std::string& working_directory, const ReadabilityLimits& limits,
                       const std::vector<PairReadability>& pairs);

}  // namespace rt
