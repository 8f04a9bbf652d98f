#include "tests/retime/reference_search.h"

#include <cmath>
#include <cstddef>

#include "retime/timecode.h"
#include "text/numbers.h"
#include "text/texts.h"

namespace rt {

namespace {

const std::string kVowelBytes = "aeiou\xE4\xF6\xFCy";
const std::string kBreakBytes = "#.,;: ";

// The timecode lines as a file that is read line by line and rewound.
struct LineFile {
  const std::vector<std::string>& lines;
  std::size_t next = 0;
  std::string read_line() { return next < lines.size() ? lines[next++] : std::string(); }
  bool at_end() const { return next >= lines.size(); }
  void rewind() { next = 0; }
};

bool holds_arrow(const std::string& line) { return find(1, line, "-->") != 0; }

// The byte at position p is one of set; never for a position outside the
// text. (Looked at directly rather than cut out with mid_text, which would
// make a string per byte and slow the fuzz target that runs this.)
bool byte_in(const std::string& text, std::int64_t p, const std::string& set) {
  return p >= 1 && p <= text_length(text) && set.find(text[static_cast<std::size_t>(p - 1)]) != std::string::npos;
}

long double add_in_extended(double factor, double step) {
  return static_cast<long double>(factor) + static_cast<long double>(step);
}

}  // namespace

std::string entry_bytes(const std::string& number_line, const std::string& timecode_line,
                        const std::string& segment) {
  return number_line + "\r\n" + timecode_line + "\r\n" + segment + "\r\n" + "\r\n";
}

SearchRecord record_engine(const std::string& text, const std::vector<std::string>& timecode_lines,
                           std::string number_line, const RetimeOptions& options) {
  SearchRecord record;
  RetimeSink sink;
  sink.print_line = [&](const std::string& line) {
    if (line == kFailureLine) record.closed_before_failure = record.closes > 0;
    record.console.push_back(line);
  };
  sink.write_cue = [&](const std::string& number, const std::string& timecode, const std::string& segment) {
    // An entry after the files were closed would never reach the disk.
    if (record.closes > 0) record.output += "<written after close>";
    record.output += entry_bytes(number, timecode, segment);
  };
  sink.close_all = [&] { record.closes += 1; };
  RetimeOutcome outcome = retime_text(text, timecode_lines, number_line, sink, options);
  record.failed = outcome.failed;
  record.passes = outcome.passes;
  record.number_line = number_line;
  record.factor = outcome.factor;
  return record;
}

SearchRecord reference_search(const std::string& text, const std::vector<std::string>& timecode_lines,
                              std::string number_line, std::int64_t max_passes) {
  SearchRecord record;
  auto end_search = [&](bool failed) {
    record.closes += 1;
    if (failed) {
      record.closed_before_failure = true;
      record.console.push_back(" Fehler");
    }
    record.failed = failed;
    record.number_line = number_line;
    return record;
  };

  const std::int64_t len = text_length(text);
  std::int64_t vowel_total = 0;
  for (std::int64_t p = 1; p <= len; ++p) {
    if (byte_in(text, p, kVowelBytes)) ++vowel_total;
  }

  LineFile file{timecode_lines};
  std::int64_t total_duration = 0;
  std::int64_t arrow_lines = 0;
  if (!timecode_lines.empty()) {
    do {
      std::string line = file.read_line();
      if (holds_arrow(line)) {
        total_duration += cue_duration(line);
        ++arrow_lines;
      }
    } while (!file.at_end());
  }
  file.rewind();
  record.console.push_back(" Berechne Korrekturfaktor...");
  if (total_duration <= 0) return end_search(true);
  const double vowels_per_ms =
      static_cast<double>(static_cast<long double>(vowel_total) / static_cast<long double>(total_duration));

  double factor = 1.0;
  enum { none, time, text_out } search_state = none;
  int flip_count = 0;
  bool cue_written = false;

  for (;;) {
    if (record.passes == max_passes) return end_search(true);
    ++record.passes;
    std::int64_t segment_start = 1;
    file.rewind();
    bool pass_over = false;
    bool text_ran_out = false;
    do {
      std::string line = file.read_line();
      if (!holds_arrow(line)) {
        if (is_number_line(line)) number_line = line;
        continue;
      }
      const std::int32_t duration = cue_duration(line);
      long double product = static_cast<long double>(duration) * static_cast<long double>(vowels_per_ms);
      product = product * static_cast<long double>(factor);
      product = product + 0.5L;
      const long double rounded = floorl(product);
      std::int64_t quota = 0;
      if (rounded >= 2147483647.0L) {
        quota = 2147483647;
      } else if (rounded <= -2147483648.0L) {
        quota = -2147483648LL;
      } else {
        quota = static_cast<std::int64_t>(rounded);
      }
      if (quota == 0) return end_search(true);

      std::int64_t anchor = segment_start;
      for (;;) {
        if (anchor >= len) break;
        ++anchor;
        if (byte_in(text, anchor + 1, kVowelBytes)) --quota;
        if (quota == 0) break;
      }
      const std::int64_t forward = find_any(anchor, text, kBreakBytes);
      const std::int64_t backward = find_any_last(text, kBreakBytes, anchor);
      std::int64_t cut;
      if (forward == 0) {
        cut = backward;
      } else if (backward == 0 || backward < segment_start) {
        cut = forward;
      } else if (forward - anchor > anchor - backward) {
        cut = backward;
      } else {
        cut = forward;
      }

      if (flip_count >= 3 && search_state == time) {
        std::string segment = cut < segment_start ? std::string() : mid_text(text, segment_start, cut - segment_start + 1);
        record.output += entry_bytes(number_line, line, segment);
        cue_written = true;
      }
      if (cut > segment_start) {
        segment_start = cut + 1;
        while (byte_in(text, segment_start, " ")) ++segment_start;
      } else {
        if (search_state == time) ++flip_count;
        search_state = text_out;
        factor = static_cast<double>(add_in_extended(factor, -0.001));
        text_ran_out = true;
        pass_over = true;
      }
    } while (!pass_over && !file.at_end());

    if (file.at_end()) {
      if (search_state == text_out) ++flip_count;
      search_state = time;
      factor = static_cast<double>(add_in_extended(factor, 0.001));
    }
    if (cue_written) return end_search(false);
    // The engine's guard for a single cue that can no longer change its outcome.
    if (arrow_lines == 1 && !text_ran_out && flip_count < 3) return end_search(true);
  }
}

}  // namespace rt
