// The text distribution and the correction-factor search, pure: it gets
// the text, the lines of the timecode file and the incoming number line,
// spreads the text over the cues weighed by vowels and cut at break
// characters, searching a correction factor pass by pass, and hands its
// console lines, its output entries and the moment the files are to be
// closed to a sink. Implemented in retime/distribution.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "retime/timecode.h"
#include "text/lines.h"
#include "text/texts.h"

namespace rt {

// Console lines of the engine.
inline const std::string kSearchingLine = " Berechne Korrekturfaktor...";
inline const std::string kFailureLine = " Fehler";

// The correction factor moves by this much after every pass.
inline constexpr double kFactorStep = 0.001;

// Last guard against a search that never ends. Each pass moves the factor
// by 0.001, so a million passes take it to about 1001: a factor that large
// means every cue takes a thousand times its share of vowels and still the
// cues run out before the text, which only texts with thousands of bytes
// between break characters can bring about. Prose settles within a few
// hundred passes (odd generated pairs within ten thousand), and a search
// that falls meets its quota failure before the factor reaches 0, within
// 1000 passes, unless one quota is so large that no step of the factor lands
// on a quota of 0: then the factor falls for ever, and this guard ends it.
// A pass costs in proportion to the cues (the README's benchmarks give
// figures), so even a feature film reaches the guard without hanging for
// good.
inline constexpr std::int64_t kMaxPasses = 1000000;

// vowels_per_ms: the quotient vowel_total / total_duration formed in
// extended precision and stored as a double.
double vowels_per_ms_of(std::int64_t vowel_total, std::int64_t total_duration);

// The vowel quota of a cue: floor(duration * vowels_per_ms * factor + 0.5),
// every step in extended precision (duration exact, then times
// vowels_per_ms, then times factor, then plus 0.5). A result outside the
// signed 32-bit range saturates at its nearer end, which keeps the quota
// growing with the factor and keeps its sign (a huge quota runs the scan to
// the end of the text either way).
std::int32_t cue_quota(std::int32_t duration, double vowels_per_ms, double factor);

// One step of the factor: the double constant step added in extended
// precision, the sum stored back as a double.
double step_factor(double factor, double step);

// One output entry of the writing pass, its segment by position.
struct CueEntry {
  std::size_t cue;  // counted from 0 among the timecode file's cues (its lines with an arrow)
  std::string_view number_line;
  std::string_view timecode_line;
  Pos first;  // the segment's first position (segment_start)
  Pos cut;    // its last position; below first for an empty segment
};

// Where the engine's effects go.
struct RetimeSink {
  // A console line (the line end is the receiver's business).
  std::function<void(const std::string& line)> print_line;
  // One output entry of the writing pass, with the segment's bytes.
  std::function<void(const std::string& number_line, const std::string& timecode_line,
                     const std::string& segment)>
      write_cue;
  // The search is over: every file is to be closed. Called exactly once,
  // after the last entry and before " Fehler".
  std::function<void()> close_all;
  // The same entry by the positions of its segment, for a receiver that
  // writes bytes of its own for them (the characters of a UTF-8 text). Each
  // of write_entry and write_cue that is set is called, write_entry first.
  std::function<void(const CueEntry& entry)> write_entry = nullptr;
};

struct RetimeOptions {
  std::int64_t max_passes = kMaxPasses;
  // Use the 64-bit position tables even for a text that fits the compact
  // ones (they give the same results; tests compare the two).
  bool wide_positions = false;
  // Reuse a cue's step from the pass before when it starts at the same
  // position with the same quota (the same result, only faster; off for
  // measuring the plain cost of a step and for comparing the two).
  bool reuse_unchanged_steps = true;
  // Count and select bits with the portable operations even where the
  // processor has instructions for them (the same results; tests compare
  // the two, so the portable path is checked on every machine).
  bool portable_bits = false;
};

// Why a search failed.
enum class RetimeFailure {
  none,
  quota_of_zero,    // a cue's quota was 0: see failed_cue
  no_cue,           // the timecode file has no cue (no line with the arrow, or no line at all)
  no_duration,      // the cues' durations sum to 0 or less
  single_cue,       // one cue whose passes could never change their outcome
  too_many_passes,  // more than RetimeOptions::max_passes
};

struct RetimeOutcome {
  bool failed = false;
  std::int64_t passes = 0;  // passes started, the writing pass included
  double factor = 0.0;      // the factor the writing pass ran with; 0 after a failure
  RetimeFailure failure = RetimeFailure::none;
  // The cue whose quota was 0: counted from 0 among the cues, its timecode
  // line, and the number line it would have been written under. -1 and
  // empty for the other outcomes.
  std::int64_t failed_cue = -1;
  std::string failed_timecode_line;
  std::string failed_number_line;
  // What the search weighed: the text's vowels and the cues' durations
  // summed; 0 where it failed before it did.
  std::int64_t vowel_total = 0;
  std::int64_t total_duration = 0;
};

// The whole search for one pair. text is the content of the text file;
// timecode_lines are the lines of the timecode file as read, in order, the
// last one being the line after which the file is at its end (at least one
// line). number_line is the program-wide last number line: it comes in as
// the previous pair left it and goes out as this pair leaves it.
//
// Prints " Berechne Korrekturfaktor...", then runs passes until the writing
// pass has run (its entries go to sink.write_cue) or the search fails with
// " Fehler": a quota of 0 at any cue, and, where the search could otherwise
// never end, a timecode file without a cue or a total duration of 0 or
// less (no pass runs for either), a timecode file
// with a single cue whose passes reach its end with no change of outcome
// left to come, and more than options.max_passes passes. The total duration
// is summed in 64 bits, so long files cannot wrap it.
RetimeOutcome retime_text(const std::string& text, const std::vector<std::string>& timecode_lines,
                          std::string& number_line, const RetimeSink& sink,
                          const RetimeOptions& options = {});

// retime_text on the timecode file's lines kept in one buffer, as the
// engine reads a file: the entries' lines are views into timecode_lines.
RetimeOutcome retime_text(const std::string& text, const LineList& timecode_lines, std::string& number_line,
                          const RetimeSink& sink, const RetimeOptions& options = {});

}  // namespace rt
