// The retiming engine on the numbered files of one pair: retime_pair reads
// the pair's files, runs the pure search of retime/distribution.h on them
// and writes the re-timed cues through write_cue and print_line. The
// program-wide number line, which every pair hands on to the next, lives
// here too.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "retime/distribution.h"
#include "retime/pair_text.h"
#include "text/atomic_save.h"

namespace rt {

// The last number line any pass of the run has read; empty at program start.
const std::string& number_line();

// Empties number_line again, as at program start (for tests).
void reset_number_line();

// One entry of the writing pass as it went to the output file.
struct WrittenCue {
  std::size_t cue;  // counted from 0 among the timecode file's cues
  const std::string& number_line;
  const std::string& timecode_line;
  const std::string& text;  // the cue's text as written (retime/output.h)
  // The segment's first and last position in PairText::searched(), a
  // position a character; last below first for an empty segment.
  Pos first;
  Pos cut;
};

// A look at one pair while retime_pair works on it, for a report beside
// the output. Each member may be left empty; an empty tap costs nothing,
// and none of them changes what is written or printed. read and entry may
// throw std::bad_alloc, which fails the pair as any shortage of memory does;
// ended must not throw.
struct PairTap {
  // The text and the timecode file's lines as the search takes them (a
  // UTF-8 byte-order mark dropped from either), before the search. Both
  // stay valid until ended has been called.
  std::function<void(const PairText& text, const std::vector<std::string>& timecode_lines)> read;
  // Each entry of the writing pass, right after write_cue has written it.
  std::function<void(const WrittenCue& cue)> entry;
  // Called once at the end, also when the pair fails or runs out of memory:
  // the search's outcome, and whether the pair ended with " Fehler" (a
  // failed search, or an output not written whole).
  std::function<void(const RetimeOutcome& outcome, bool failed)> ended;
};

// Why a pair ended with " Fehler". The search's failures are told by the
// text where the text is the cause: a text without vowels fails at the
// first cue, and one without break characters there too, after the factor
// has fallen for hundreds of passes, though the cue is not to blame.
enum class PairFailure {
  none,                 // the output was written whole
  text_empty,           // the text holds no character (an empty file, or one that was not read)
  text_without_vowels,  // no lower-case vowel: every quota is 0
  text_without_breaks,  // no break character: no cut is ever found
  cue_without_share,    // a cue's quota was 0 (PairResult::outcome names the cue)
  no_cue,               // the timecode file holds no cue (or was not read)
  no_duration,          // the cues' durations sum to 0 or less
  single_cue,           // one cue, whose passes can never change their outcome
  too_many_passes,      // no factor within RetimeOptions::max_passes passes
  output_not_written,   // PairResult::output says where and why
  out_of_memory,        // the text, the timecode file or the search's tables do not fit in memory
};

// How a pair ended: written, or why not, with the search's outcome (its
// passes, and the cue whose quota was 0) and, for an output not written,
// the save's result (not_open when the output was not open).
struct PairResult {
  PairFailure failure = PairFailure::none;
  RetimeOutcome outcome;
  SaveResult output;

  bool written() const { return failure == PairFailure::none; }
};

// Works on the files the caller has opened: number 1, the text file (input),
// number 2, the timecode file (input), number 3, the output file (output,
// empty). Reads the whole text and closes file 1, reads the lines of file 2
// once (a UTF-8 byte-order mark is no part of the first), runs retime_text
// on the text as PairText reads it (a UTF-8 text a character a position)
// with the program-wide number_line, writes the entries to file 3 with
// write_cue, each segment in the text's own bytes, and the console lines
// with print_line.
// Every open file is closed when it returns. Files that failed to open read
// as empty (" Fehler") or take no writes; the search runs all the same (so
// the number line goes on as the passes leave it). A pair whose output is
// not open, or could not be written or closed completely (no space, an I/O
// error, a file-size limit), ends with " Fehler" after the search instead of
// succeeding, and its output is left as it was before (an empty file where
// there was none); so is the output of every pair that ends with
// " Fehler". A pair too large for memory
// (std::bad_alloc while reading or searching) ends with all files closed
// and " Fehler" too, and nothing is thrown; the program-wide number_line
// then stays as the pair found it. The result tells whether the pair's
// output was written whole, and why not when the pair ended with
// " Fehler"; the reason is the caller's to print.
PairResult retime_pair();

// retime_pair with tap watching the pair go by.
PairResult retime_pair_watched(const PairTap& tap);

}  // namespace rt
