// The text distribution and the correction-factor search (retime_text and
// its parts). Pure: everything it does goes through the sink.
#include <cmath>
#include <cstddef>
#include <limits>

#include "retime/distribution.h"
#include "retime/extended.h"
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

// How many cues ahead a pass asks for the text's tables.
constexpr std::size_t kPrefetchAhead = 2;

constexpr std::size_t kNoBlock = static_cast<std::size_t>(-1);

// A block moved by drift blocks; kNoBlock stays.
std::size_t shifted(std::size_t block, std::ptrdiff_t drift) {
  if (block == kNoBlock) return kNoBlock;
  const std::ptrdiff_t moved = static_cast<std::ptrdiff_t>(block) + drift;
  return moved < 0 ? 0 : static_cast<std::size_t>(moved);
}

// floor(duration_rate * factor + 0.5), every step in extended precision,
// as a saturated signed 32-bit value. The plain extended floor and
// conversion switch the x87 rounding mode twice per call, which costs more
// than the rest of a cue step; here the value is rounded to a whole number
// by adding and taking off 1.5 * 2^63 (where the extended format has no
// fraction bits left), corrected down to the floor, and converted exactly
// through a double.
std::int32_t exact_quota(Extended duration_rate, double factor) {
  const Extended value = duration_rate * static_cast<Extended>(factor) + 0.5L;
  if (std::isnan(value)) return 0;
  if (value >= 2147483648.0L) return std::numeric_limits<std::int32_t>::max();
  if (value < -2147483648.0L) return std::numeric_limits<std::int32_t>::min();
  const Extended kRoundingShift = 1.5L * 9223372036854775808.0L;  // 1.5 * 2^63
  Extended whole = (value + kRoundingShift) - kRoundingShift;
  if (whole > value) whole -= 1.0L;
  return static_cast<std::int32_t>(static_cast<double>(whole));
}

// A cue's rate in both precisions: the extended one decides, the double one
// (the extended value rounded) serves as a quick first estimate.
struct CueRate {
  Extended exact = 0.0L;
  double estimate = 0.0;
};

CueRate cue_rate(std::int32_t duration, double vowels_per_ms) {
  const Extended exact = static_cast<Extended>(duration) * static_cast<Extended>(vowels_per_ms);
  return {exact, static_cast<double>(exact)};
}

// exact_quota, mostly without the extended arithmetic, which is slow: the
// same sum in doubles differs from the extended one by less than
// 4 * 2^-53 * (|value| + 1) (three roundings of about 2^-53 each, plus the
// rounding of the rate to double), so when it lies further than that from
// a whole number both have the same floor. Only values within a hair of a
// whole number, out of range or not numbers are left to exact_quota.
std::int32_t quota_from_rate(const CueRate& rate, double factor) {
  const double estimate = rate.estimate * factor + 0.5;
  if (estimate > -2147483000.0 && estimate < 2147483000.0) {
    std::int64_t whole = static_cast<std::int64_t>(estimate);  // toward zero
    if (static_cast<double>(whole) > estimate) whole -= 1;
    const double fraction = estimate - static_cast<double>(whole);  // exact
    const double margin = 1e-12 * (std::fabs(estimate) + 1.0);
    if (fraction > margin && fraction < 1.0 - margin) return static_cast<std::int32_t>(whole);
  }
  return exact_quota(rate.exact, factor);
}

struct Cue {
  std::size_t line;  // index of its timecode line
  std::int32_t duration;
  CueRate rate;  // duration * vowels_per_ms, formed once
  // The last number line between the previous cue and this one, if any.
  std::ptrdiff_t number_line_before = kNoLine;

  // The cut depends on nothing but segment_start and quota, and from one
  // pass to the next most cues meet the same pair again: the last step
  // taken is kept, so a pass touches the text's tables only where
  // something changed.
  Pos last_segment_start = 0;  // 0: no step taken yet
  std::int32_t last_quota = 0;
  Pos last_cut = 0;
  Pos last_next_segment_start = 0;
  // The block of the vowel that paid the quota off, or kNoBlock.
  std::size_t vowel_block = kNoBlock;
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
      Cue cue{i, cue_duration(line), {}};
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
         const RetimeSink& sink, bool reuse_steps)
      : text_(text), index_(text), lines_(lines), number_line_(number_line), sink_(sink), reuse_steps_(reuse_steps) {}

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
      cue.rate = cue_rate(cue.duration, vowels_per_ms);
    }

    double factor = 1.0;
    SearchState search_state = SearchState::none;
    std::int64_t flip_count = 0;
    bool cue_written = false;
    const std::size_t last_line = lines_.size() - 1;

    for (std::int64_t pass = 1;; ++pass) {
      if (pass > max_passes) return fail(pass - 1);
      const bool writing = flip_count >= kFlipsBeforeWriting && search_state == SearchState::time;
      if (writing) writing_factor_ = factor;
      Pos segment_start = 1;
      bool text_ran_out = false;
      std::size_t last_line_read = last_line;

      // Cues follow each other through the text, each about where it lay in
      // the pass before, moved by as much as the cue before it moved: the
      // vowel search of a cue starts there, and the tables of the cue two
      // ahead are fetched from memory while this one is worked out.
      std::ptrdiff_t drift = 0;
      for (std::size_t k = 0; k < list.cues.size(); ++k) {
        Cue& cue = list.cues[k];
        if (k + kPrefetchAhead < list.cues.size()) {
          index_.prefetch_block(shifted(list.cues[k + kPrefetchAhead].vowel_block, drift));
        }
        if (cue.number_line_before != kNoLine) number_line_index_ = cue.number_line_before;
        const std::int32_t quota = quota_from_rate(cue.rate, factor);
        if (quota == 0) return fail(pass);
        if (!reuse_steps_ || cue.last_segment_start != segment_start || cue.last_quota != quota) {
          std::size_t block = shifted(cue.vowel_block, drift);
          const Pos anchor = index_.anchor_after_quota(segment_start, quota, &block);
          if (block != kNoBlock && cue.vowel_block != kNoBlock) {
            drift = static_cast<std::ptrdiff_t>(block) - static_cast<std::ptrdiff_t>(cue.vowel_block);
          }
          cue.vowel_block = block;
          const Pos forward = index_.next_break(anchor);
          const Pos backward = index_.last_break(anchor);
          cue.last_segment_start = segment_start;
          cue.last_quota = quota;
          cue.last_cut = choose_cut(forward, backward, segment_start, anchor);
          cue.last_next_segment_start =
              cue.last_cut > segment_start ? index_.skip_blanks(cue.last_cut + 1) : segment_start;
        }
        const Pos cut = cue.last_cut;
        if (writing) {
          sink_.write_cue(current_number_line(), lines_[cue.line], segment_text(text_, segment_start, cut));
          cue_written = true;
        }
        if (cut > segment_start) {
          segment_start = cue.last_next_segment_start;
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
    return {failed, passes, failed ? 0.0 : writing_factor_};
  }

  RetimeOutcome fail(std::int64_t passes) { return finish(true, passes); }

  const std::string& text_;
  const TextIndex<P> index_;
  const std::vector<std::string>& lines_;
  std::string& number_line_;
  const RetimeSink& sink_;
  const bool reuse_steps_;
  // The number line read last in this pair, as an index into lines_, so a
  // pass copies no text; kNoLine while number_line_ still holds the value
  // the pair came in with.
  std::ptrdiff_t number_line_index_ = kNoLine;
  // The factor of the writing pass, which the last step of that pass has
  // already moved on by the time the search returns.
  double writing_factor_ = 0.0;
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
  return static_cast<double>(static_cast<Extended>(vowel_total) / static_cast<Extended>(total_duration));
}

std::int32_t cue_quota(std::int32_t duration, double vowels_per_ms, double factor) {
  return quota_from_rate(cue_rate(duration, vowels_per_ms), factor);
}

double step_factor(double factor, double step) {
  return static_cast<double>(static_cast<Extended>(factor) + static_cast<Extended>(step));
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
    return Search<std::uint32_t>(text, timecode_lines, number_line, sink, options.reuse_unchanged_steps)
        .run(options.max_passes);
  }
  return Search<std::uint64_t>(text, timecode_lines, number_line, sink, options.reuse_unchanged_steps)
      .run(options.max_passes);
}

}  // namespace rt
