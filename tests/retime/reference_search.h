// The plain search (tests/retime/plain_search.h) on timecode lines held in
// memory, and the fast engine, each recorded in one comparable value for
// checking the one against the other. Slow on purpose; only for small inputs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "retime/distribution.h"

namespace rt {

// Everything the search gives out, in one comparable value.
struct SearchRecord {
  std::vector<std::string> console;  // console lines, in order
  std::string output;                // the entries as write_cue puts them on disk
  int closes = 0;                    // how often all files were closed
  bool closed_before_failure = false;
  bool failed = false;
  std::int64_t passes = 0;
  std::string number_line;  // as the pair leaves it
  double factor = 0.0;      // of the writing pass (recorded from the fast engine only)
};

SearchRecord reference_search(const std::string& text, const std::vector<std::string>& timecode_lines,
                              std::string number_line, std::int64_t max_passes);

// The fast engine (retime_text) with a sink that records what it gives out.
SearchRecord record_engine(const std::string& text, const std::vector<std::string>& timecode_lines,
                           std::string number_line, const RetimeOptions& options = {});

// The four lines of one entry as they reach the file.
std::string entry_bytes(const std::string& number_line, const std::string& timecode_line,
                        const std::string& segment);

}  // namespace rt
