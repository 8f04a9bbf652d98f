// Files that look like subtitle files but are not read as timecode files:
// the run names each of them after the count line, with why, so that a
// user who expected it to be re-timed knows what to change. A file looks
// like a subtitle file when the lines the probe read hold an arrow "-->"
// with digits before and after it (in UTF-8 or a single-byte encoding), or
// the arrow in UTF-16, begin with "WEBVTT" or with a UTF-16 byte-order mark,
// or when its name ends in ".srt" or ".vtt".
// Every other file the scan drops stays unmentioned.
#pragma once

#include <string>

#include "driver/scan.h"

namespace rt {

// " Nicht gelesen: film.vtt (WebVTT)".
inline const std::string kNotReadLabel = " Nicht gelesen: ";

// Why a file the probe turned down is no timecode file, in German in plain
// ASCII; empty for a file that does not look like a subtitle file. The
// first thing that keeps the file from being read is named.
std::string reason_not_read(const std::string& name, const ProbedLines& probed);

// The console line for a skipped file: kNotReadLabel, the name and the
// reason in brackets.
std::string not_read_line(const SkippedFile& file);

}  // namespace rt
