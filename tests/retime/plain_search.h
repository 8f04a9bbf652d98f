// The retiming search read plainly, written once for the tests (which check
// the fast engine against it) and the benchmarks (which time the engine
// against it): every pass re-reads the timecode lines from the first one,
// recognises number lines and works out each cue's duration again, scans
// the text byte by byte for each cue's vowels and finds the breaks with
// find_any and find_any_last. Its alphabets and its cut choice are its own,
// so that a fault in the engine's cannot hide in both. Slow on purpose.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace rt {

// The timecode file, read line by line and rewound before every pass.
struct PlainLineFile {
  std::function<std::string()> read_line;
  std::function<bool()> at_end;
  std::function<void()> rewind;
};

// Where the search's effects go, as with the engine's RetimeSink: its
// console lines (" Berechne Korrekturfaktor...", " Fehler"), the entries of
// the writing pass with their segments as cut from the text, and the
// closing of the files, once, before " Fehler".
struct PlainSink {
  std::function<void(const std::string& line)> print_line;
  std::function<void(const std::string& number_line, const std::string& timecode_line, const std::string& segment)>
      write_cue;
  std::function<void()> close_all;
};

struct PlainOutcome {
  bool failed = false;
  std::int64_t passes = 0;  // passes started
};

// The whole search for one pair. number_line comes in as the previous pair
// left it and goes out as this one leaves it. Fails (" Fehler") at a quota of
// 0, for durations summing to 0 or less, after max_passes passes, and for a
// single cue whose passes can no longer change their outcome, as the
// engine does.
PlainOutcome plain_search(const std::string& text, const PlainLineFile& file, std::string& number_line,
                          std::int64_t max_passes, const PlainSink& sink);

}  // namespace rt
