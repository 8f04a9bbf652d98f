// The readability page of a batch, untertitel/bericht.html: one HTML file in
// UTF-8 that opens offline and runs nothing (no script, no file, image or
// font from elsewhere; its own policy forbids them). It says when it was
// made, for which directory and with which limits; an overview of every
// timecode file of the run, ordered by the work each needs
// (driver/report_overview.h), leads to a section per file in the order of
// the run: the figures of driver/report.h, a chart of the reading speed
// over the whole timecode file (driver/report_chart.h) and the flagged cues
// (driver/report_cue_table.h). Every text that comes from the user (names,
// the directory, the cues' texts) is escaped.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "driver/report.h"
#include "driver/report_chart.h"

namespace rt {

// The page's name in the output folder.
inline const std::string kReportPageName = "bericht.html";

// The whole page, each line ended by "\n". working_directory is shown as
// given; pairs are the blocks of the batch in order; made_at is the time
// the page says it was made (in the local time of the machine).
std::string report_page(const std::string& working_directory, const ReadabilityLimits& limits,
                        const std::vector<PairReadability>& pairs, std::time_t made_at);

// After the last pair: an empty line and "  Bericht: bericht.html", then the
// page, made now, written whole to working_directory\untertitel\bericht.html,
// or " Fehler" and the reason when it could not be (the folder is missing
// or not writable, a write failed, or a pair's output already took that
// name, which the page must not replace). True when the page was written.
bool write_report_page(const std::string& working_directory, const ReadabilityLimits& limits,
                       const std::vector<PairReadability>& pairs);

}  // namespace rt
