#include "tests/retime/plain_search.h"

#include <cmath>
#include <cstddef>

#include "retime/timecode.h"
#include "text/numbers.h"
#include "text/texts.h"

namespace rt {
namespace {

const std::string kVowelBytes = "aeiou\xE4\xF6\xFCy";
const std::string kBreakBytes = "#.,;: ";

bool holds_arrow(const std::string& line) { return find(1, line, "-->") != 0; }

// The byte at position p is one of set; never for a position outside the
// text. (Looked at directly rather than cut out with mid_text, which would
// make a string per byte and slow the fuzz target that runs this.)
bool byte_in(const std::string& text, std::int64_t p, const std::string& set) {
  return p >= 1 && p <= text_length(text) && set.find(text[static_cast<std::size_t>(p - 1)]) != std::string::npos;
}

double add_in_extended(double factor, double step) {
  return static_cast<double>(static_cast<long double>(factor) + static_cast<long double>(step));
}

std::int32_t quota_of(std::int32_t duration, double vowels_per_ms, double factor) {
  long double product = static_cast<long double>(duration) * static_cast<long double>(vowels_per_ms);
  product = product * static_cast<long double>(factor);
  const long double rounded = floorl(product + 0.5L);
  if (rounded >= 2147483647.0L) return 2147483647;
  if (rounded <= -2147483648.0L) return -2147483647 - 1;
  return static_cast<std::int32_t>(rounded);
}

// Where the vowel scan from segment_start stops with quota vowels paid.
std::int64_t anchor_of(const std::string& text, std::int64_t segment_start, std::int64_t quota) {
  const std::int64_t len = text_length(text);
  std::int64_t anchor = segment_start;
  while (anchor < len) {
    ++anchor;
    if (byte_in(text, anchor + 1, kVowelBytes)) --quota;
    if (quota == 0) break;
  }
  return anchor;
}

std::int64_t cut_at(const std::string& text, std::int64_t segment_start, std::int64_t anchor) {
  const std::int64_t forward = find_any(anchor, text, kBreakBytes);
  const std::int64_t backward = find_any_last(text, kBreakBytes, anchor);
  if (forward == 0) return backward;
  if (backward == 0 || backward < segment_start) return forward;
  return forward - anchor > anchor - backward ? backward : forward;
}

}  // namespace

PlainOutcome plain_search(const std::string& text, const PlainLineFile& file, std::string& number_line,
                          std::int64_t max_passes, const PlainSink& sink) {
  PlainOutcome outcome;
  auto end_search = [&](bool failed) {
    sink.close_all();
    if (failed) sink.print_line(" Fehler");
    outcome.failed = failed;
    return outcome;
  };

  std::int64_t vowel_total = 0;
  for (std::int64_t p = 1; p <= text_length(text); ++p) vowel_total += byte_in(text, p, kVowelBytes) ? 1 : 0;
  std::int64_t total_duration = 0;
  std::int64_t arrow_lines = 0;
  file.rewind();
  do {
    const std::string line = file.read_line();
    if (holds_arrow(line)) {
      total_duration += cue_duration(line);
      ++arrow_lines;
    }
  } while (!file.at_end());
  sink.print_line(" Berechne Korrekturfaktor...");
  if (total_duration <= 0) return end_search(true);
  const double vowels_per_ms =
      static_cast<double>(static_cast<long double>(vowel_total) / static_cast<long double>(total_duration));

  double factor = 1.0;
  enum { none, time, text_out } search_state = none;
  int flip_count = 0;
  for (;;) {
    if (outcome.passes == max_passes) return end_search(true);
    ++outcome.passes;
    const bool writing = flip_count >= 3 && search_state == time;
    std::int64_t segment_start = 1;
    bool text_ran_out = false;
    file.rewind();
    do {
      const std::string line = file.read_line();
      if (!holds_arrow(line)) {
        if (is_number_line(line)) number_line = line;
        continue;
      }
      const std::int32_t quota = quota_of(cue_duration(line), vowels_per_ms, factor);
      if (quota == 0) return end_search(true);
      const std::int64_t cut = cut_at(text, segment_start, anchor_of(text, segment_start, quota));
      if (writing) {
        sink.write_cue(number_line, line,
                       cut < segment_start ? std::string() : mid_text(text, segment_start, cut - segment_start + 1));
      }
      if (cut > segment_start) {
        segment_start = cut + 1;
        while (byte_in(text, segment_start, " ")) ++segment_start;
      } else {
        if (search_state == time) ++flip_count;
        search_state = text_out;
        factor = add_in_extended(factor, -0.001);
        text_ran_out = true;
      }
    } while (!text_ran_out && !file.at_end());

    if (file.at_end()) {
      if (search_state == text_out) ++flip_count;
      search_state = time;
      factor = add_in_extended(factor, 0.001);
    }
    if (writing) return end_search(false);
    // A single cue that can no longer change its outcome would never be written.
    if (arrow_lines == 1 && !text_ran_out && flip_count < 3) return end_search(true);
  }
}

}  // namespace rt
