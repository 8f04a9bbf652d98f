// The overview at the top of the readability page: one row per timecode
// file of the run with its figures, ordered by how much work it needs, each
// linking to its section.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/report.h"

namespace rt {

// The cues a re-timed pair leaves to be dealt with: those that got no text,
// those above either limit, and for the text left over one per character
// limit begun (the cues it would fill).
std::int64_t open_work(const PairReadability& pair);

// The indices of pairs in the overview's order: the pairs that ended with
// " Fehler", then those without a text file, then the re-timed ones by
// open_work, the most first; alike ones in the order of the run.
std::vector<std::size_t> work_order(const std::vector<PairReadability>& pairs);

// The overview's section, its id "uebersicht", for a run with these limits.
std::string overview_section(const ReadabilityLimits& limits, const std::vector<PairReadability>& pairs);

}  // namespace rt
