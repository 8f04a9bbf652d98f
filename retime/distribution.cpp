// The text distribution and the correction-factor search (retime_text and
// its parts). Pure: everything it does goes through the sink.
#include <cmath>
#include <cstddef>
#include <limits>

#include "retime/engine.h"
#include "retime/text_index.h"
#include "retime/timecode.h"
#include "text/numbers.h"

namespace rt {

namespace {

// How the last pass ended.
enum class SearchState { none, time, text };

// The search writes once the outcome has changed this often and the last
// pass ran out of cues.
constexpr std::int32_t kFlipsBeforeWriting = 3;

constexpr std::ptrdiff_t kNoLine = -1;

struct Cue {
  std::size_t line;  // index of its timecode line
  std::int32_t duration;
  long double duration_rate = 0.0L;  // duration * vowels_per_ms, formed once
  // The last number line between the previous cue and this one, if any.
  std::ptrdiff_t number_line_before = kNoLine;
};

// What the passes need of the timecode file: every line is read once, and a
// pass then walks the cues alone.
struct CueList {
  std::vector<Cue> cues;
  std::ptrdiff_t number_line_after_last_cue = kNoLine;
  std::int64_t total_duration = 0;
};

CueList list_cues(const std::vector<std::string>& lines) {
  CueList list;
  std::ptrdiff_t pending_number_line = kNoLine;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (find(1, line, kArrow) != 0) {
      Cue cue{i, cue_duration(line)};
      cue.number_line_before = pending_number_line;
      list.total_duration += cue.duration;
      list.cues.push_back(cue);
      pending_number_line = kNoLine;
    } else if (is_number_line(line)) {
      pending_number_line = static_cast<std::ptrdiff_t>(i);
    }
  }
  list.number_line_after_last_cue = pending_number_line;
  return list;
}

std::int32_t quota_from_rate(long double duration_rate, double factor) {
  long double rounded = std::floor(duration_rate * static_cast<long double>(factor) + 0.5L);
  if (std::isnan(rounded)) return 0;
  if (rounded >= static_cast<long double>(std::numeric_limits<std::int32_t>::max())) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (rounded <= static_cast<long double>(std::numeric_limits<std::int32_t>::min())) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(rounded);
}

std::string segment_text(const std::string& text, Pos segment_start, Pos cut) {
  if (cut < segment_start) return {};
  return mid_text(text, segment_start, cut - segment_start + 1);
}

// The search over the prepared text and cues; P is the width of the text's
// position tables.
template <typename P>
class Search {
 public:
  Search(const std::string& text, const std::vector<std::string>& lines, std::string& number_line,
         const RetimeSink& sink)
      : text_(text), index_(text), lines_(lines), number_line_(number_line), sink_(sink) {}

  RetimeOutcome run(std::int64_t max_passes) {
    const std::int64_t vowel_total = index_.vowel_count();
    CueList list = list_cues(lines_);
    const std::int64_t total_duration = list.total_duration;

    sink_.print_line(kSearchingLine);
    // No quota means anything when the durations sum to 0 or less: the
    // rate would be infinite, not a number or negative. Such a pair ends
    // like a quota failure before its first pass. Above 0 the rate is a
    // finite number of 0 or more; 0 (no vowels) fails at the first cue.
    if (total_duration <= 0) return fail(0);
    const double vowels_per_ms = vowels_per_ms_of(vowel_total, total_duration);
    for (Cue& cue : list.cues) {
      cue.duration_rate = static_cast<long double>(cue.duration) * static_cast<long double>(vowels_per_ms);
    }

    double factor = 1.0;
    SearchState search_state = SearchState::none;
    std::int32_t flip_count = 0;
    bool cue_written = false;
    const std::size_t last_line = lines_.size() - 1;

    for (std::int64_t pass = 1;; ++pass) {
      if (pass > max_passes) return fail(pass - 1);
      const bool writing = flip_count >= kFlipsBeforeWriting && search_state == SearchState::time;
      Pos segment_start = 1;
      bool text_ran_out = false;
      std::size_t last_line_read = last_line;

      for (const Cue& cue : list.cues) {
        if (cue.number_line_before != kNoLine) number_line_index_ = cue.number_line_before;
        const std::int32_t quota = quota_from_rate(cue.duration_rate, factor);
        if (quota == 0) return fail(pass);
        const Pos anchor = index_.anchor_after_quota(segment_start, quota);
        const Pos forward = index_.next_break(anchor);
        const Pos backward = index_.last_break(anchor);
        const Pos cut = choose_cut(forward, backward, segment_start, anchor);
        if (writing) {
          sink_.write_cue(current_number_line(), lines_[cue.line], segment_text(text_, segment_start, cut));
          cue_written = true;
        }
        if (cut > segment_start) {
          segment_start = index_.skip_blanks(cut + 1);
          continue;
        }
        // The text ran out at this cue; the rest of the file is not read.
        if (search_state == SearchState::time) ++flip_count;
        search_state = SearchState::text;
        factor = step_factor(factor, -kFactorStep);
        text_ran_out = true;
        last_line_read = cue.line;
        break;
      }
      if (!text_ran_out && list.number_line_after_last_cue != kNoLine) {
        number_line_index_ = list.number_line_after_last_cue;
      }
      if (last_line_read == last_line) {
        if (search_state == SearchState::text) ++flip_count;
        search_state = SearchState::time;
        factor = step_factor(factor, kFactorStep);
      }
      if (cue_written) return finish(false, pass);
      // A single cue always starts at position 1, and a higher factor only
      // moves its anchor further on, so once a pass has reached the end of
      // the file with a cut after position 1, every later pass does the
      // same: the outcome can never change again, the factor would rise for
      // ever, and without three changes the writing pass never comes.
      if (list.cues.size() == 1 && !text_ran_out && flip_count < kFlipsBeforeWriting) {
        return fail(pass);
      }
    }
  }

 private:
  const std::string& current_number_line() const {
    return number_line_index_ == kNoLine ? number_line_ : lines_[static_cast<std::size_t>(number_line_index_)];
  }

  RetimeOutcome finish(bool failed, std::int64_t passes) {
    if (number_line_index_ != kNoLine) number_line_ = lines_[static_cast<std::size_t>(number_line_index_)];
    sink_.close_all();
    if (failed) sink_.print_line(kFailureLine);
    return {failed, passes};
  }

  RetimeOutcome fail(std::int64_t passes) { return finish(true, passes); }

  const std::string& text_;
  const TextIndex<P> index_;
  const std::vector<std::string>& lines_;
  std::string& number_line_;
  const RetimeSink& sink_;
  // The number line read last in this pair, as an index into lines_, so a
  // pass copies no text; kNoLine while number_line_ still holds the value
  // the pair came in with.
  std::ptrdiff_t number_line_index_ = kNoLine;
};

}  // namespace

std::int64_t count_vowels(const std::string& text) {
  std::int64_t vowels = 0;
  for (char c : text) vowels += is_vowel(static_cast<unsigned char>(c)) ? 1 : 0;
  return vowels;
}

Pos choose_cut(Pos forward, Pos backward, Pos segment_start, Pos anchor) {
  if (forward == 0) return backward;
  if (backward == 0) return forward;
  if (backward < segment_start) return forward;
  return forward - anchor > anchor - backward ? backward : forward;
}

double vowels_per_ms_of(std::int64_t vowel_total, std::int64_t total_duration) {
  return static_cast<double>(static_cast<long double>(vowel_total) / static_cast<long double>(total_duration));
}

std::int32_t cue_quota(std::int32_t duration, double vowels_per_ms, double factor) {
  return quota_from_rate(static_cast<long double>(duration) * static_cast<long double>(vowels_per_ms), factor);
}

double step_factor(double factor, double step) {
  return static_cast<double>(static_cast<long double>(factor) + static_cast<long double>(step));
}

RetimeOutcome retime_text(const std::string& text, const std::vector<std::string>& timecode_lines,
                          std::string& number_line, const RetimeSink& sink, const RetimeOptions& options) {
  if (timecode_lines.empty()) {
    // Reading a file yields at least one line; without any there is no cue.
    sink.print_line(kSearchingLine);
    sink.close_all();
    sink.print_line(kFailureLine);
    return {true, 0};
  }
  if (fits_compact_positions(text) && !options.wide_positions) {
    return Search<std::uint32_t>(text, timecode_lines, number_line, sink).run(options.max_passes);
  }
  return Search<std::uint64_t>(text, timecode_lines, number_line, sink).run(options.max_passes);
}

}  // namespace rt
