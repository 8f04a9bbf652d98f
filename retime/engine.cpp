// retime_pair: the engine on the numbered files of one pair, and the
// program-wide number line.
#include "retime/engine.h"

#include <cstdint>
#include <new>
#include <utility>

#include "retime/cut_rule.h"
#include "retime/output.h"
#include "retime/pair_files.h"
#include "text/console_print.h"
#include "text/encodings.h"
#include "text/files.h"

namespace rt {

namespace {

// The last number line read by any pass; it outlives every pair.
std::string program_number_line;

// What the timecode file is read in after its length, should it grow.
constexpr std::int64_t kReadPiece = 1 << 16;

// The lines of the timecode file, read once, whole, and cut as read_line
// cuts them: a pass would read exactly these, since at_end turns true right
// after the last of them. At least one line is kept, as a pass always reads
// one. A byte-order mark that an editor put before the first cue's number
// would keep that line from being a number line; it lies within the first
// line, so it is taken off the stream.
LineList read_timecode_lines() {
  std::string stream = read_all(kTimecodeFile);
  // A file that grew while it was read gives what a line-by-line reading
  // would have met too.
  while (!at_end(kTimecodeFile)) stream += read_chars(kTimecodeFile, kReadPiece);
  drop_utf8_mark(stream);
  return LineList(std::move(stream));
}

// Why a search failed, told by the text where it is the cause: without
// vowels or break characters no cue could ever get a share of it, whichever
// cue the search stopped at.
PairFailure search_failure(const RetimeOutcome& outcome, const std::string& searched) {
  switch (outcome.failure) {
    case RetimeFailure::none:
      return PairFailure::none;
    case RetimeFailure::no_cue:
      return PairFailure::no_cue;
    case RetimeFailure::no_duration:
      return PairFailure::no_duration;
    case RetimeFailure::single_cue:
      return PairFailure::single_cue;
    case RetimeFailure::quota_of_zero:
    case RetimeFailure::too_many_passes:
      break;
  }
  if (searched.empty()) return PairFailure::text_empty;
  if (count_vowels(searched) == 0) return PairFailure::text_without_vowels;
  if (searched.find_first_of(kBreakCharacters) == std::string::npos) return PairFailure::text_without_breaks;
  return outcome.failure == RetimeFailure::quota_of_zero ? PairFailure::cue_without_share
                                                         : PairFailure::too_many_passes;
}

}  // namespace

const std::string& number_line() { return program_number_line; }

void reset_number_line() { program_number_line.clear(); }

PairResult retime_pair_watched(const PairTap& tap) {
  try {
    const PairText text(read_all(kTextFile));
    close_file(kTextFile);
    const LineList lines = read_timecode_lines();
    // The report's look takes texts of their own; the search needs none.
    const std::vector<std::string> tapped_lines = tap.read ? lines.texts() : std::vector<std::string>();
    if (tap.read) tap.read(text, tapped_lines);

    RetimeSink sink;
    sink.print_line = [](const std::string& line) { print_line(line); };
    CueWriter writer;
    sink.write_entry = [&text, &tap, &writer](const CueEntry& entry) {
      const std::string_view segment = text.view_of(entry.first, entry.cut);
      writer.write(entry.number_line, entry.timecode_line, segment);
      if (tap.entry) {
        const std::string number_line(entry.number_line);
        const std::string timecode_line(entry.timecode_line);
        tap.entry(WrittenCue{entry.cue, number_line, timecode_line, cue_text_as_written(segment), entry.first,
                             entry.cut});
      }
    };
    // The inputs are closed here; the output once the outcome is known, so
    // that a failed search leaves the old output (or an empty file).
    sink.close_all = [] {
      close_file(kTextFile);
      close_file(kTimecodeFile);
    };
    PairResult result;
    result.outcome = retime_text(text.searched(), lines, program_number_line, sink);
    result.failure = search_failure(result.outcome, text.searched());
    result.output = close_output(kOutputFile, !result.outcome.failed);
    close_all();
    // An output that could not be opened or written whole is a failure of
    // the pair like a quota failure, and like it leaves the old output.
    if (!result.outcome.failed && !result.output.saved()) {
      print_line(kFailureLine);
      result.failure = PairFailure::output_not_written;
    }
    if (tap.ended) tap.ended(result.outcome, !result.written());
    return result;
  } catch (const std::bad_alloc&) {
    // The text, the timecode lines or the tables built on them do not fit
    // in memory. That is this pair's failure, not the run's: everything
    // the pair held is freed on the way here, and the pair ends as the
    // quota failure does, so the next pair still runs.
    close_output(kOutputFile, false);
    close_all();
    print_line(kFailureLine);
    PairResult result;
    result.failure = PairFailure::out_of_memory;
    result.outcome.failed = true;
    if (tap.ended) tap.ended(result.outcome, true);
    return result;
  }
}

PairResult retime_pair() { return retime_pair_watched(PairTap{}); }

}  // namespace rt
