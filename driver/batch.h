// One batch over a working directory: the output folder, the scan, the count
// line and every pair. Needs no terminal, so it can be tested and measured
// on its own; the run sequence calls it between the prompt and "Fertig".
#pragma once

#include <string>

#include "driver/report.h"

namespace rt {

// Creates the output folder untertitel in working_directory (silently when
// it exists or cannot be made), scans the directory, prints the count line
// (" 1 Timecodedatei", otherwise " N Timecodedateien") and a line for each
// file that looks like a subtitle file but is not read
// (driver/skipped_files.h), and runs process_pair for every timecode file in
// list order, one output per run: a pair whose output name an earlier pair
// used ends with " Fehler" unrun. output_extension is appended unchanged to
// each output name. True when no pair ended with " Fehler" (also when there
// was none); every pair runs either way. With report, each re-timed pair is
// followed
// by its readability lines, and the run by the page (driver/report_page.h)
// with those limits; a page that could not be written counts as a failed
// pair.
bool run_batch(const std::string& working_directory, const std::string& output_extension,
               const ReadabilityLimits* report = nullptr);

}  // namespace rt
