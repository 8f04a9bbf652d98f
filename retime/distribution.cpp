// The text distribution and the correction-factor search (retime_text and
// its parts). Pure: everything it does goes through the sink.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>

#include "retime/distribution.h"
#include "retime/bits.h"
#include "retime/compiler.h"
#include "retime/extended.h"
#include "retime/factor_ranges.h"
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

// The most vowels a text may have for the search to keep a step per vowel:
// 5 bytes each, about 320 KiB in all, which stays in the second-level cache
// where the steps are looked up. A feature film's text has about 30,000.
constexpr std::int64_t kMostVowelsForVowelSteps = 65536;

// The steps per vowel are kept from this pass on. They pay off in a long
// search, where cues meet the same vowels pass after pass; a short one
// (a feature film settles in 10 to 20 passes) would spend more on working
// them out and on touching the table's memory, a page fault per 800 vowels,
// than they save.
constexpr std::int64_t kFirstPassWithVowelSteps = 24;

// A vowel's advance (see Search::vowel_advances_) where it does not fit a
// byte or the chain of steps per vowel cannot go on from the vowel.
constexpr std::int8_t kNoAdvance = std::numeric_limits<std::int8_t>::min();

// floor(duration_rate * factor + 0.5), every step in extended precision,
// as a saturated signed 32-bit value. The plain extended floor and
// conversion switch the x87 rounding mode twice per call, which costs more
// than the rest of a cue step; here the value is rounded to a whole number
// by adding and taking off 1.5 * 2^63 (where the extended format has no
// fraction bits left), corrected down to the floor, and converted exactly
// through a double.
RETIME_SELDOM_CALLED std::int32_t exact_quota(Extended duration_rate, double factor) {
  const Extended value = duration_rate * static_cast<Extended>(factor) + 0.5L;
  if (std::isnan(value)) return 0;
  if (value >= 2147483648.0L) return std::numeric_limits<std::int32_t>::max();
  if (value < -2147483648.0L) return std::numeric_limits<std::int32_t>::min();
  const Extended kRoundingShift = 1.5L * 9223372036854775808.0L;  // 1.5 * 2^63
  Extended whole = (value + kRoundingShift) - kRoundingShift;
  if (whole > value) whole -= 1.0L;
  return static_cast<std::int32_t>(static_cast<double>(whole));
}

// How far the quick quota trusts its double arithmetic: a value of the
// quota's sum in doubles lies within 4 * 2^-53 * (|value| + 1) of the one
// in extended precision (three roundings of about 2^-53 each, plus the
// rounding of the rate to double), which is below 2^-31 for values below
// 2^20, so where it lies further than kQuickMargin from a whole number both
// have the same floor. Larger quotas (a million vowels for one cue) take the
// exact way.
constexpr double kQuickRange = 1048576.0;  // 2^20
constexpr double kQuickMargin = 1.0 / 1073741824.0;  // 2^-30

// exact_quota of the cue whose rate, rounded to double, is rate, mostly
// without the extended arithmetic, which is slow. Sets quota and gives true
// unless the value lies within a hair of a whole number, out of range or is
// not a number; those are left to exact_quota.
inline bool quick_quota(double rate, double factor, std::int32_t& quota) {
  const double value = rate * factor + 0.5;
  if (!(value > -kQuickRange && value < kQuickRange)) return false;
  const std::int32_t truncated = static_cast<std::int32_t>(value);  // toward zero
  const double fraction = value - static_cast<double>(truncated);  // exact, between -1 and 1
  if (fraction > kQuickMargin && fraction < 1.0 - kQuickMargin) {
    quota = truncated;
    return true;
  }
  if (fraction < -kQuickMargin && fraction > kQuickMargin - 1.0) {
    quota = truncated - 1;
    return true;
  }
  return false;
}

// duration * vowels_per_ms, formed in extended precision.
Extended exact_rate(std::int32_t duration, double vowels_per_ms) {
  return static_cast<Extended>(duration) * static_cast<Extended>(vowels_per_ms);
}

// What the passes need of the timecode file, per cue in the order of the
// file: every line is read once, and a pass then walks the cues alone.
struct CueList {
  std::vector<std::size_t> timecode_line;  // index of the cue's timecode line
  std::vector<std::int32_t> duration;
  // The last number line at or before the cue's timecode line, kNoLine if
  // there is none: the number line a pass has read when it reaches the cue.
  std::vector<std::ptrdiff_t> number_line;
  std::ptrdiff_t last_number_line = kNoLine;  // of the whole file
  std::int64_t total_duration = 0;

  std::size_t size() const { return timecode_line.size(); }
};

CueList list_cues(const LineList& lines) {
  CueList list;
  // A cue takes four lines or so; a guess too low only costs regrowths.
  const std::size_t expected_cues = lines.size() / 3 + 1;
  list.timecode_line.reserve(expected_cues);
  list.duration.reserve(expected_cues);
  list.number_line.reserve(expected_cues);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    std::int32_t duration = 0;
    const bool usual = usual_cue_duration(line, duration);
    if (usual || is_cue_line(line)) {
      if (!usual) duration = cue_duration_at(line, line.find(kArrow));
      list.timecode_line.push_back(i);
      list.duration.push_back(duration);
      list.number_line.push_back(list.last_number_line);
      list.total_duration += duration;
    } else if (is_number_line(line)) {
      list.last_number_line = static_cast<std::ptrdiff_t>(i);
    }
  }
  return list;
}

std::string segment_text(const std::string& text, Pos segment_start, Pos cut) {
  if (cut < segment_start) return {};
  return mid_text(text, segment_start, cut - segment_start + 1);
}

// The step a cue took last, in 16 bytes (32 with 64-bit positions), so the
// steps of a feature film fit the first-level cache. The cut depends on
// nothing but segment_start and the quota, and from one pass to the next
// most cues meet the same pair again: the last step taken is kept, so a pass
// works out the cut of a cue only where something changed, and the writing
// pass writes the steps its own pass has kept.
template <typename P>
struct KeptStep {
  P segment_start = 0;  // 0: none yet
  // Where the next cue's segment begins after it; 0: the text ran out at
  // this cue.
  P next_segment_start = 0;
  std::int32_t quota = 0;
  P cut = 0;  // the segment's last position
};
static_assert(sizeof(KeptStep<std::uint32_t>) == 16, "a kept step fills 16 bytes");
static_assert(sizeof(KeptStep<std::uint64_t>) == 32, "a kept step fills 32 bytes with wide positions");

// How the search stands between passes: the factor, how the last pass
// ended, and how often that outcome has changed.
class FactorSearch {
 public:
  double factor() const { return factor_; }

  // The next pass writes its cues: the outcome has changed often enough and
  // the last pass ran out of cues.
  bool writing_pass_next() const { return flip_count_ >= kFlipsBeforeWriting && state_ == SearchState::time; }

  // Fewer changes than writing needs, so a search that can no longer change
  // its outcome would never write.
  bool short_of_changes() const { return flip_count_ < kFlipsBeforeWriting; }

  // The text ran out at a cue: the factor falls.
  void text_ran_out() { settle(SearchState::text, -kFactorStep); }

  // The pass read the last line of the timecode file: the factor rises.
  void file_reached_end() { settle(SearchState::time, kFactorStep); }

 private:
  void settle(SearchState outcome, double step) {
    // The first outcome after none is no change.
    if (state_ != SearchState::none && state_ != outcome) ++flip_count_;
    state_ = outcome;
    factor_ = step_factor(factor_, step);
  }

  double factor_ = 1.0;
  SearchState state_ = SearchState::none;
  std::int64_t flip_count_ = 0;
};

// How a pass ended.
struct PassEnd {
  enum class Way { file_end, text_ran_out, quota_of_zero };
  Way way = Way::file_end;
  std::size_t cue = 0;  // where it ended other than at the file's end
};

// The search over the prepared text and cues; P is the width of the text's
// position tables, Bits the set of bit operations (retime/bits.h).
template <typename P, typename Bits>
class Search {
 public:
  Search(const std::string& text, const LineList& lines, std::string& number_line,
         const RetimeSink& sink, bool reuse_steps)
      : text_(text), index_(text), lines_(lines), number_line_(number_line), sink_(sink), reuse_steps_(reuse_steps) {}

  RetimeOutcome run(std::int64_t max_passes) {
    const std::int64_t vowel_total = index_.vowel_count();
    list_ = list_cues(lines_);

    sink_.print_line(kSearchingLine);
    // No quota means anything when the durations sum to 0 or less: the
    // rate would be infinite, not a number or negative. Such a pair ends
    // like a quota failure before its first pass, and so does one without
    // a cue, whose sum is 0. Above 0 the rate is a finite number of 0 or
    // more; 0 (no vowels) fails at the first cue.
    if (list_.size() == 0) return fail(0, RetimeFailure::no_cue);
    if (list_.total_duration <= 0) return fail(0, RetimeFailure::no_duration);
    prepare_cues(vowel_total);

    FactorSearch search;
    const std::size_t last_line = lines_.size() - 1;
    for (std::int64_t pass = 1;; ++pass) {
      if (pass > max_passes) return fail(pass - 1, RetimeFailure::too_many_passes);
      if (pass == kFirstPassWithVowelSteps && vowel_steps_wanted_) {
        // Inside Bits::run, so that the bit operations are inlined.
        Bits::run([&] { keep_vowel_steps(); });
      }
      const bool writing = search.writing_pass_next();
      const double factor = search.factor();
      if (writing) writing_factor_ = factor;
      const PassEnd end = Bits::run([&] {
        if (writing) return write_pass(factor);
        return reuse_steps_ ? run_pass_reusing(factor) : run_pass_afresh(factor);
      });
      const bool at_a_cue = end.way != PassEnd::Way::file_end;
      // The last number line the pass read.
      const std::ptrdiff_t number_line = at_a_cue ? list_.number_line[end.cue] : list_.last_number_line;
      if (number_line != kNoLine) number_line_index_ = number_line;
      if (end.way == PassEnd::Way::quota_of_zero) return quota_failure(pass, end.cue);
      if (end.way == PassEnd::Way::text_ran_out) search.text_ran_out();
      // The rest of the file is not read after the text ran out, unless the
      // cue's timecode line was its last line.
      if (!at_a_cue || list_.timecode_line[end.cue] == last_line) search.file_reached_end();
      if (writing) return finish(RetimeFailure::none, pass);
      // A single cue always starts at position 1, and a higher factor only
      // moves its anchor further on, so once a pass has reached the end of
      // the file with a cut after position 1, every later pass does the
      // same: the outcome can never change again, the factor would rise for
      // ever, and without three changes the writing pass never comes.
      if (list_.size() == 1 && !at_a_cue && search.short_of_changes()) return fail(pass, RetimeFailure::single_cue);
    }
  }

 private:
  // The rates of the cues, and room for the steps the passes keep.
  void prepare_cues(std::int64_t vowel_total) {
    vowels_per_ms_ = vowels_per_ms_of(vowel_total, list_.total_duration);
    rates_.reserve(list_.size());
    for (std::size_t k = 0; k < list_.size(); ++k) {
      rates_.push_back(static_cast<double>(exact_rate(list_.duration[k], vowels_per_ms_)));
    }
    kept_.resize(list_.size());
    ranges_ = FactorRanges(list_.size());
    vowel_steps_wanted_ = reuse_steps_ && sizeof(P) == 4 && vowel_total <= kMostVowelsForVowelSteps;
  }

  void keep_vowel_steps() {
    const std::size_t count = static_cast<std::size_t>(index_.vowel_count());
    // Filled by the sweep below; only a kept step's record, and the base of
    // a group with one, is ever read.
    vowel_steps_.reset(new PackedStep[count]);
    cut_bases_.reset(new P[count / kVowelsPerBase + 1]);
    vowel_advances_.resize(count);
    std::size_t based_group = SIZE_MAX;  // the last group given a base
    index_.template each_vowel_step<Bits>([&](std::size_t w, const VowelStep& step) {
      const std::int64_t advance = static_cast<std::int64_t>(step.vowels_after_next) - static_cast<std::int64_t>(w);
      const Pos next = static_cast<Pos>(step.next);
      const Pos cut = static_cast<Pos>(step.cut);
      const Pos backward = static_cast<Pos>(step.backward);
      bool kept = step.next != TextIndex<P>::kIrregular && next < index_.length() && advance > kNoAdvance &&
                  advance <= std::numeric_limits<std::int8_t>::max() && next >= cut &&
                  next - cut <= kLongestPackedDistance && cut - backward <= kLongestPackedDistance;
      // The group's first kept step sets its base.
      const std::size_t group = w / kVowelsPerBase;
      if (kept && based_group != group) {
        cut_bases_[group] = step.cut;
        based_group = group;
      }
      const Pos from_base = kept ? cut - static_cast<Pos>(cut_bases_[group]) : 0;
      kept = kept && from_base >= std::numeric_limits<std::int16_t>::min() &&
             from_base <= std::numeric_limits<std::int16_t>::max();
      vowel_advances_[w] = kept ? static_cast<std::int8_t>(advance) : kNoAdvance;
      if (kept) {
        vowel_steps_[w] = PackedStep{static_cast<std::int16_t>(from_base), static_cast<std::uint8_t>(next - cut),
                                     static_cast<std::uint8_t>(cut - backward)};
      }
    });
  }

  std::int32_t quota_of(std::size_t k, double factor) const {
    std::int32_t quota;
    if (quick_quota(rates_[k], factor, quota)) return quota;
    return exact_quota(exact_rate(list_.duration[k], vowels_per_ms_), factor);
  }

  typename TextIndex<P>::CueStep fresh_step(Pos segment_start, std::int32_t quota) const {
    return index_.template cue_step<Bits>(segment_start, quota);
  }

  using VowelStep = typename TextIndex<P>::VowelStep;

  // A vowel's step in 4 bytes: its cut as a distance from the cut of its
  // group of kVowelsPerBase vowels (the group's base), and the next
  // segment's start and the backward break as distances from the cut. In a
  // text of words all of them are short; a step they do not fit is worked
  // out afresh.
  struct PackedStep {
    std::int16_t cut_from_base;
    std::uint8_t to_next;
    std::uint8_t from_backward;
  };
  static constexpr std::size_t kVowelsPerBase = 64;
  static constexpr Pos kLongestPackedDistance = std::numeric_limits<std::uint8_t>::max();

  // A kept step read back.
  struct UnpackedStep {
    Pos cut;
    Pos next;
    Pos backward;
  };

  // What a pass needs of the steps kept per vowel, held in locals for the
  // length of a pass so that the compiler keeps them in registers: the
  // stores into the kept steps would otherwise make it read the members
  // again at every cue.
  struct VowelCursor {
    const PackedStep* table;
    const P* bases;  // per group of kVowelsPerBase vowels
    const std::int8_t* advances;
    std::int64_t size;  // 0 when no steps are kept per vowel
    Pos length;         // of the text
    // The vowels before position known_start + 2 (the start of the next
    // segment after the last step taken from the table).
    Pos known_start;
    std::int64_t known_vowels;
  };

  VowelCursor vowel_cursor() {
    return {vowel_steps_.get(), cut_bases_.get(), vowel_advances_.data(),
            static_cast<std::int64_t>(vowel_advances_.size()), index_.length(), known_start_,
            known_vowels_after_start_};
  }

  void keep_cursor(const VowelCursor& cursor) {
    known_start_ = cursor.known_start;
    known_vowels_after_start_ = cursor.known_vowels;
  }

  // A pass that writes nothing and works out every step afresh.
  PassEnd run_pass_afresh(double factor) {
    VowelCursor cursor = vowel_cursor();
    Pos segment_start = 1;
    PassEnd end;
    for (std::size_t k = 0; k < kept_.size(); ++k) {
      const std::int32_t quota = quota_of(k, factor);
      if (quota == 0) {
        end = {PassEnd::Way::quota_of_zero, k};
        break;
      }
      take_step(kept_[k], cursor, segment_start, quota);
      if (kept_[k].next_segment_start == 0) {
        end = {PassEnd::Way::text_ran_out, k};
        break;
      }
      segment_start = static_cast<Pos>(kept_[k].next_segment_start);
    }
    keep_cursor(cursor);
    return end;
  }

  // A pass that writes nothing and reuses the steps kept where it can.
  //
  // Between passes every kept step that did not run out is followed by the
  // kept step of the next cue: that one starts where it ends. So from a cue
  // that starts where its kept step did, the kept steps hold one after the
  // other up to the first cue whose quota may have changed (its factor
  // range misses the factor) or whose text ran out (its range is empty), and
  // the pass goes straight there. It works out only the cues from there
  // whose start or quota changed, and keeps their steps and ranges so that
  // the rule holds again after it.
  PassEnd run_pass_reusing(double factor) {
    KeptStep<P>* const kept = kept_.data();
    const FactorRange* const ranges = ranges_.leaves();
    const std::size_t cue_count = kept_.size();
    const FloatSides sides = float_sides(factor);
    VowelCursor cursor = vowel_cursor();
    Pos segment_start = 1;
    PassEnd end;
    for (std::size_t k = 0; k < cue_count; ++k) {
      if (static_cast<Pos>(kept[k].segment_start) == segment_start) {
        const std::size_t missed = ranges_.first_missed(k, sides);
        if (missed == cue_count) break;
        if (missed > k) {
          k = missed;
          segment_start = static_cast<Pos>(kept[k - 1].next_segment_start);
        }
      }
      KeptStep<P>& step = kept[k];
      // In its range the quota is the kept one.
      const bool same_quota = holds(ranges[k], sides);
      const std::int32_t quota = same_quota ? step.quota : quota_of(k, factor);
      if (quota == 0) {
        end = {PassEnd::Way::quota_of_zero, k};
        break;
      }
      if (static_cast<Pos>(step.segment_start) != segment_start || quota != step.quota) {
        take_step(step, cursor, segment_start, quota);
      }
      // A new quota has a new range; a step that ran out has none, so that
      // the next pass stops at it.
      if (step.next_segment_start == 0) {
        ranges_.set(k, FactorRange{});
        end = {PassEnd::Way::text_ran_out, k};
        break;
      }
      if (!same_quota) ranges_.set(k, factor_range(rates_[k], quota));
      segment_start = static_cast<Pos>(step.next_segment_start);
      k = carry_on(k + 1, segment_start, cursor, sides) - 1;
    }
    keep_cursor(cursor);
    return end;
  }

  // Takes the cues from k on for as long as each is the usual case of a
  // change carried on: it starts elsewhere than its kept step, keeps its
  // quota and finds its step in the table of steps per vowel, which holds
  // for its start and does not run out. That is what take_step would do for
  // them, in a loop small enough for the registers, and one that waits for
  // the first-level cache only: each cue's vowel comes from the advance of
  // the one before, a byte, while the step's record, which mostly lies
  // further out, is only checked and copied, so the records of many cues
  // are fetched at once. Moves segment_start and the cursor on past the cues
  // it took and gives the first it did not.
  std::size_t carry_on(std::size_t k, Pos& segment_start, VowelCursor& cursor, const FloatSides& sides) {
    if (cursor.size == 0) return carry_on_afresh(k, segment_start, sides);
    if (segment_start != cursor.known_start) return k;
    KeptStep<P>* const kept = kept_.data();
    const FactorRange* const ranges = ranges_.leaves();
    const std::size_t cue_count = kept_.size();
    Pos start = segment_start;
    std::int64_t vowels = cursor.known_vowels;  // before start + 2
    for (; k < cue_count && start < cursor.length; ++k) {
      KeptStep<P>& step = kept[k];
      if (static_cast<Pos>(step.segment_start) == start || !holds(ranges[k], sides)) break;
      // A range that holds belongs to a quota of 1 or more.
      const std::int64_t wanted = vowels + step.quota - 1;
      if (wanted >= cursor.size) break;
      const int advance = cursor.advances[wanted];
      if (advance == kNoAdvance) break;
      const UnpackedStep by_vowel = unpacked(cursor, wanted);
      if (by_vowel.backward < start || by_vowel.cut <= start) break;
      step.segment_start = static_cast<P>(start);
      step.next_segment_start = static_cast<P>(by_vowel.next);
      step.cut = static_cast<P>(by_vowel.cut);
      start = by_vowel.next;
      vowels = wanted + advance;
    }
    segment_start = start;
    cursor.known_start = start;
    cursor.known_vowels = vowels;
    return k;
  }

  // carry_on where no steps are kept per vowel: each step is worked out
  // afresh. A step that runs out is left to the pass, which works it out
  // again (once a pass at most).
  std::size_t carry_on_afresh(std::size_t k, Pos& segment_start, const FloatSides& sides) {
    KeptStep<P>* const kept = kept_.data();
    const FactorRange* const ranges = ranges_.leaves();
    const std::size_t cue_count = kept_.size();
    Pos start = segment_start;
    for (; k < cue_count; ++k) {
      KeptStep<P>& step = kept[k];
      if (static_cast<Pos>(step.segment_start) == start || !holds(ranges[k], sides)) break;
      const typename TextIndex<P>::CueStep fresh = fresh_step(start, step.quota);
      if (fresh.next_segment_start == 0) break;
      step.segment_start = static_cast<P>(start);
      step.cut = static_cast<P>(fresh.cut);
      step.next_segment_start = static_cast<P>(fresh.next_segment_start);
      start = fresh.next_segment_start;
    }
    segment_start = start;
    return k;
  }

  // Works out the step from segment_start with quota and keeps it: from the
  // step kept for its quota's last vowel where there is one that holds, else
  // afresh.
  void take_step(KeptStep<P>& kept, VowelCursor& cursor, Pos segment_start, std::int32_t quota) {
    kept.segment_start = static_cast<P>(segment_start);
    kept.quota = quota;
    UnpackedStep by_vowel;
    if (vowel_step_for(cursor, segment_start, quota, by_vowel)) {
      kept.cut = static_cast<P>(by_vowel.cut);
      kept.next_segment_start = by_vowel.cut > segment_start ? static_cast<P>(by_vowel.next) : 0;
      return;
    }
    const typename TextIndex<P>::CueStep step = fresh_step(segment_start, quota);
    kept.cut = static_cast<P>(step.cut);
    kept.next_segment_start = static_cast<P>(step.next_segment_start);
  }

  // The kept step of vowel w (one with an advance).
  static UnpackedStep unpacked(const VowelCursor& cursor, std::int64_t w) {
    const PackedStep packed = cursor.table[w];
    const Pos cut = static_cast<Pos>(cursor.bases[static_cast<std::size_t>(w) / kVowelsPerBase]) + packed.cut_from_base;
    return {cut, cut + packed.to_next, cut - packed.from_backward};
  }

  // Sets step to the step kept for the last vowel of quota from
  // segment_start where it holds for segment_start; false where
  // there is none (no steps kept per vowel, no such vowel, a quota below 1, a
  // segment_start at Len or beyond, no step kept for the vowel, or a
  // backward break before segment_start).
  bool vowel_step_for(VowelCursor& cursor, Pos segment_start, std::int32_t quota, UnpackedStep& step) const {
    if (cursor.size == 0 || quota < 1 || segment_start >= cursor.length) return false;
    // Consecutive cues mostly start where the step before ended, so the
    // vowel count there is known already.
    const std::int64_t vowels_before_first = segment_start == cursor.known_start
                                                 ? cursor.known_vowels
                                                 : index_.template vowels_before<Bits>(segment_start + 2);
    const std::int64_t wanted = vowels_before_first + quota - 1;
    if (wanted >= cursor.size) return false;
    const int advance = cursor.advances[wanted];
    if (advance == kNoAdvance) return false;
    step = unpacked(cursor, wanted);
    if (step.backward < segment_start) return false;
    cursor.known_start = step.next;
    cursor.known_vowels = wanted + advance;
    return true;
  }

  // The writing pass: every cue it reaches goes to the sink with its segment.
  // It runs as the other passes do, then writes the steps kept: every cue
  // up to the one where the text ran out, or up to the one before a quota
  // of 0.
  PassEnd write_pass(double factor) {
    const PassEnd end = reuse_steps_ ? run_pass_reusing(factor) : run_pass_afresh(factor);
    std::size_t written = list_.size();
    if (end.way == PassEnd::Way::text_ran_out) written = end.cue + 1;
    if (end.way == PassEnd::Way::quota_of_zero) written = end.cue;
    for (std::size_t k = 0; k < written; ++k) {
      if (list_.number_line[k] != kNoLine) number_line_index_ = list_.number_line[k];
      const Pos segment_start = static_cast<Pos>(kept_[k].segment_start);
      const Pos cut = static_cast<Pos>(kept_[k].cut);
      const std::string_view timecode_line = lines_[list_.timecode_line[k]];
      if (sink_.write_entry) sink_.write_entry(CueEntry{k, current_number_line(), timecode_line, segment_start, cut});
      if (sink_.write_cue) {
        sink_.write_cue(std::string(current_number_line()), std::string(timecode_line),
                        segment_text(text_, segment_start, cut));
      }
    }
    return end;
  }

  std::string_view current_number_line() const {
    return number_line_index_ == kNoLine ? number_line_ : lines_[static_cast<std::size_t>(number_line_index_)];
  }

  RetimeOutcome finish(RetimeFailure failure, std::int64_t passes) {
    if (number_line_index_ != kNoLine) number_line_ = std::string(lines_[static_cast<std::size_t>(number_line_index_)]);
    sink_.close_all();
    const bool failed = failure != RetimeFailure::none;
    if (failed) sink_.print_line(kFailureLine);
    RetimeOutcome outcome;
    outcome.failed = failed;
    outcome.passes = passes;
    outcome.factor = failed ? 0.0 : writing_factor_;
    outcome.failure = failure;
    outcome.vowel_total = index_.vowel_count();
    outcome.total_duration = list_.total_duration;
    return outcome;
  }

  RetimeOutcome fail(std::int64_t passes, RetimeFailure failure) { return finish(failure, passes); }

  // The quota of cue k was 0; the number line the pass read last is the
  // one the cue would have been written under.
  RetimeOutcome quota_failure(std::int64_t passes, std::size_t k) {
    RetimeOutcome outcome = finish(RetimeFailure::quota_of_zero, passes);
    outcome.failed_cue = static_cast<std::int64_t>(k);
    outcome.failed_timecode_line = std::string(lines_[list_.timecode_line[k]]);
    outcome.failed_number_line = number_line_;
    return outcome;
  }

  const std::string& text_;
  const TextIndex<P> index_;
  const LineList& lines_;
  std::string& number_line_;
  const RetimeSink& sink_;
  const bool reuse_steps_;
  CueList list_;
  // Per cue: the step kept, the factors at which its quota holds, the rate
  // (duration * vowels_per_ms) rounded to double; in extended precision it
  // is formed again only where quick_quota cannot decide, which is seldom.
  std::vector<KeptStep<P>> kept_;
  FactorRanges ranges_{0};
  std::vector<double> rates_;
  double vowels_per_ms_ = 0.0;
  // A step per vowel (the quota's last), for texts with few enough vowels:
  // the cut from a vowel is the same whatever cue gets there, so a step
  // worked out once serves every cue and pass that ends its quota on that
  // vowel. Empty when not kept.
  std::unique_ptr<PackedStep[]> vowel_steps_;
  std::unique_ptr<P[]> cut_bases_;
  // Per vowel w, the vowels before the start of the next segment (plus 2)
  // less w: how far a step ending its quota on w moves the vowel count on,
  // mostly a few vowels either way; kNoAdvance where no step is kept for w:
  // that does not fit, or the step is irregular, leaves no vowel to
  // examine or spans more than a PackedStep holds.
  std::vector<std::int8_t> vowel_advances_;
  bool vowel_steps_wanted_ = false;  // the text is short enough to keep them
  // Where the last pass left its VowelCursor.
  Pos known_start_ = 0;
  std::int64_t known_vowels_after_start_ = 0;
  // The number line read last in this pair, as an index into lines_, so a
  // pass copies no text; kNoLine while number_line_ still holds the value
  // the pair came in with.
  std::ptrdiff_t number_line_index_ = kNoLine;
  // The factor of the writing pass, which the last step of that pass has
  // already moved on by the time the search returns.
  double writing_factor_ = 0.0;
};

template <typename P>
RetimeOutcome search_with(const std::string& text, const LineList& lines, std::string& number_line,
                          const RetimeSink& sink, const RetimeOptions& options) {
  if (bits::hardware_bits_usable() && !options.portable_bits) {
    return Search<P, bits::HardwareBits>(text, lines, number_line, sink, options.reuse_unchanged_steps)
        .run(options.max_passes);
  }
  return Search<P, bits::PortableBits>(text, lines, number_line, sink, options.reuse_unchanged_steps)
      .run(options.max_passes);
}

}  // namespace

double vowels_per_ms_of(std::int64_t vowel_total, std::int64_t total_duration) {
  return static_cast<double>(static_cast<Extended>(vowel_total) / static_cast<Extended>(total_duration));
}

std::int32_t cue_quota(std::int32_t duration, double vowels_per_ms, double factor) {
  const Extended rate = exact_rate(duration, vowels_per_ms);
  std::int32_t quota;
  if (quick_quota(static_cast<double>(rate), factor, quota)) return quota;
  return exact_quota(rate, factor);
}

double step_factor(double factor, double step) {
  return static_cast<double>(static_cast<Extended>(factor) + static_cast<Extended>(step));
}

RetimeOutcome retime_text(const std::string& text, const std::vector<std::string>& timecode_lines,
                          std::string& number_line, const RetimeSink& sink, const RetimeOptions& options) {
  return retime_text(text, LineList(timecode_lines), number_line, sink, options);
}

RetimeOutcome retime_text(const std::string& text, const LineList& timecode_lines, std::string& number_line,
                          const RetimeSink& sink, const RetimeOptions& options) {
  if (timecode_lines.size() == 0) {
    // Reading a file yields at least one line; without any there is no cue.
    sink.print_line(kSearchingLine);
    sink.close_all();
    sink.print_line(kFailureLine);
    RetimeOutcome outcome;
    outcome.failed = true;
    outcome.failure = RetimeFailure::no_cue;
    return outcome;
  }
  if (fits_compact_positions(text) && !options.wide_positions) {
    return search_with<std::uint32_t>(text, timecode_lines, number_line, sink, options);
  }
  return search_with<std::uint64_t>(text, timecode_lines, number_line, sink, options);
}

}  // namespace rt
