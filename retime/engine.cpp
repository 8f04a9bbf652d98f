// retime_pair: the engine on the numbered files of one pair, and the
// program-wide number line.
#include "retime/engine.h"

#include <new>
#include <utility>

#include "retime/output.h"
#include "retime/pair_files.h"
#include "text/console_print.h"
#include "text/files.h"

namespace rt {

namespace {

// The last number line read by any pass; it outlives every pair.
std::string program_number_line;

// The lines of the timecode file, read once: a pass would read exactly
// these, since at_end turns true right after the last of them. At least one
// line is kept, as a pass always reads one.
std::vector<std::string> read_timecode_lines() {
  std::vector<std::string> lines;
  do {
    std::string line;
    read_line(kTimecodeFile, line);
    lines.push_back(std::move(line));
  } while (!at_end(kTimecodeFile));
  return lines;
}

}  // namespace

const std::string& number_line() { return program_number_line; }

void reset_number_line() { program_number_line.clear(); }

void retime_pair() {
  try {
    const std::string text = read_all(kTextFile);
    close_file(kTextFile);
    const std::vector<std::string> lines = read_timecode_lines();

    RetimeSink sink;
    sink.print_line = [](const std::string& line) { print_line(line); };
    sink.write_cue = write_cue;
    sink.close_all = close_all;
    retime_text(text, lines, program_number_line, sink);
  } catch (const std::bad_alloc&) {
    // The text, the timecode lines or the tables built on them do not fit
    // in memory. That is this pair's failure, not the run's: everything
    // the pair held is freed on the way here, and the pair ends as the
    // quota failure does, so the next pair still runs. Output written
    // before (only a writing pass writes) stays as far as it got.
    close_all();
    print_line(kFailureLine);
  }
}

}  // namespace rt
