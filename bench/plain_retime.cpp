// The plain reading of the retiming search, as a yardstick for the engine:
// every pass re-reads the timecode file line by line from its first byte,
// recognises number lines and works out each cue's duration again, and
// rescans the text byte by byte for the vowels of each cue, finding the
// breaks with find_any and find_any_last. It works through the numbered
// files as retime_pair does and writes the same bytes.
//
//   plain_retime TEXT_FILE TIMECODE_FILE OUTPUT_FILE
//
// prints the engine's console lines and exits with 0 when the pair was
// written, 1 when the search failed, 2 on a usage error. Only the failures
// the benchmark pairs can meet are handled (a quota of 0, a total duration of
// 0 or less, a pass limit), not every guard of the engine.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "retime/distribution.h"
#include "retime/cut_rule.h"
#include "retime/output.h"
#include "retime/pair_files.h"
#include "retime/timecode.h"
#include "text/arithmetic.h"
#include "text/files.h"
#include "text/numbers.h"
#include "text/texts.h"

namespace {

const std::string kVowelSet = "aeiou\xE4\xF6\xFCy";
const std::string kBreakSet = "#.,;: ";

constexpr int kSearchWritten = 0;
constexpr int kSearchFailed = 1;
constexpr int kUsageError = 2;

std::string number_line;  // the last number line read, as the program keeps it

// The byte at position p (1-based) is in set; never past the text.
bool byte_in(const std::string& text, rt::Pos p, const std::string& set) {
  return p >= 1 && p <= rt::text_length(text) && set.find(text[static_cast<std::size_t>(p - 1)]) != std::string::npos;
}

void say(const std::string& line) { std::printf("%s\n", line.c_str()); }

int fail() {
  rt::close_all();
  say(rt::kFailureLine);
  return kSearchFailed;
}

int retime_plainly() {
  const std::string text = rt::read_all(rt::kTextFile);
  rt::close_file(rt::kTextFile);
  const rt::Pos len = rt::text_length(text);
  std::int64_t vowel_total = 0;
  for (rt::Pos p = 1; p <= len; ++p) vowel_total += byte_in(text, p, kVowelSet) ? 1 : 0;

  std::int64_t total_duration = 0;
  std::string line;
  do {
    rt::read_line(rt::kTimecodeFile, line);
    if (rt::find(1, line, rt::kArrow) != 0) total_duration += rt::cue_duration(line);
  } while (!rt::at_end(rt::kTimecodeFile));
  rt::rewind(rt::kTimecodeFile);
  say(rt::kSearchingLine);
  if (total_duration <= 0) return fail();
  const double vowels_per_ms = rt::vowels_per_ms_of(vowel_total, total_duration);

  double factor = 1.0;
  enum class State { none, time, text } search_state = State::none;
  int flip_count = 0;
  bool cue_written = false;
  for (std::int64_t pass = 1;; ++pass) {
    if (pass > rt::kMaxPasses) return fail();
    rt::Pos segment_start = 1;
    rt::rewind(rt::kTimecodeFile);
    bool pass_over = false;
    do {
      rt::read_line(rt::kTimecodeFile, line);
      if (rt::find(1, line, rt::kArrow) == 0) {
        if (rt::is_number_line(line)) number_line = line;
        continue;
      }
      const long double product = static_cast<long double>(rt::cue_duration(line)) *
                                  static_cast<long double>(vowels_per_ms) * static_cast<long double>(factor);
      const long double rounded = floorl(product + 0.5L);
      const std::int32_t quota = rounded >= 2147483647.0L    ? 2147483647
                                 : rounded <= -2147483648.0L ? -2147483647 - 1
                                                             : static_cast<std::int32_t>(rounded);
      if (quota == 0) return fail();

      rt::Pos anchor = segment_start;
      for (std::int32_t owed = quota; anchor < len;) {
        ++anchor;
        if (byte_in(text, anchor + 1, kVowelSet)) --owed;
        if (owed == 0) break;
      }
      const rt::Pos forward = rt::find_any(anchor, text, kBreakSet);
      const rt::Pos backward = rt::find_any_last(text, kBreakSet, anchor);
      const rt::Pos cut = rt::choose_cut(forward, backward, segment_start, anchor);

      if (flip_count >= 3 && search_state == State::time) {
        const std::string segment = cut < segment_start ? "" : rt::mid_text(text, segment_start, cut - segment_start + 1);
        rt::write_cue(number_line, line, segment);
        cue_written = true;
      }
      if (cut > segment_start) {
        segment_start = cut + 1;
        while (byte_in(text, segment_start, " ")) ++segment_start;
      } else {
        if (search_state == State::time) ++flip_count;
        search_state = State::text;
        factor = rt::step_factor(factor, -rt::kFactorStep);
        pass_over = true;
      }
    } while (!pass_over && !rt::at_end(rt::kTimecodeFile));

    if (rt::at_end(rt::kTimecodeFile)) {
      if (search_state == State::text) ++flip_count;
      search_state = State::time;
      factor = rt::step_factor(factor, rt::kFactorStep);
    }
    if (cue_written) {
      rt::close_all();
      return kSearchWritten;
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  rt::set_up_arithmetic();
  if (argc != 4) {
    std::fprintf(stderr, "usage: plain_retime TEXT_FILE TIMECODE_FILE OUTPUT_FILE\n");
    return kUsageError;
  }
  rt::open_input(argv[1], rt::kTextFile);
  rt::open_input(argv[2], rt::kTimecodeFile);
  rt::open_output(argv[3], rt::kOutputFile);
  return retime_plainly();
}
