#include "retime/text_index.h"

#include <algorithm>
#include <iterator>
#include <limits>

namespace rt {

namespace {

// Byte classes looked up by value; the sets are tiny, the texts are not.
struct ByteClasses {
  bool vowel[256] = {};
  bool break_character[256] = {};
  ByteClasses() {
    for (char c : kVowels) vowel[static_cast<unsigned char>(c)] = true;
    for (char c : kBreakCharacters) break_character[static_cast<unsigned char>(c)] = true;
  }
};

const ByteClasses& byte_classes() {
  static const ByteClasses classes;
  return classes;
}

}  // namespace

bool is_vowel(unsigned char c) { return byte_classes().vowel[c]; }

bool is_break_character(unsigned char c) { return byte_classes().break_character[c]; }

bool fits_compact_positions(const std::string& text) {
  // Len + 1 is the largest position a query reports or is asked about.
  return text.size() < std::numeric_limits<std::uint32_t>::max();
}

template <typename P>
PositionList<P>::PositionList(const std::string& text, bool (*wanted)(unsigned char))
    : length_(text_length(text)) {
  std::size_t buckets = (text.size() >> kBucketShift) + 1;
  directory_.reserve(buckets + 1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((i & ((std::size_t{1} << kBucketShift) - 1)) == 0) {
      directory_.push_back(static_cast<P>(positions_.size()));
    }
    if (wanted(static_cast<unsigned char>(text[i]))) positions_.push_back(static_cast<P>(i + 1));
  }
  while (directory_.size() < buckets + 1) directory_.push_back(static_cast<P>(positions_.size()));
  positions_.shrink_to_fit();
}

template <typename P>
std::size_t PositionList<P>::first_at_or_after(Pos from) const {
  if (from <= 1) return 0;
  if (from > length_) return positions_.size();
  std::size_t bucket = static_cast<std::size_t>(from - 1) >> kBucketShift;
  auto first = positions_.begin() + static_cast<std::ptrdiff_t>(directory_[bucket]);
  auto last = positions_.begin() + static_cast<std::ptrdiff_t>(directory_[bucket + 1]);
  auto found = std::lower_bound(first, last, static_cast<P>(from));
  return static_cast<std::size_t>(found - positions_.begin());
}

template <typename P>
TextIndex<P>::TextIndex(const std::string& text)
    : text_(text),
      length_(text_length(text)),
      vowels_(text, is_vowel),
      breaks_(text, is_break_character) {
  Pos run_first = 0;
  for (Pos p = 1; p <= length_ + 1; ++p) {
    bool blank = p <= length_ && text[static_cast<std::size_t>(p - 1)] == ' ';
    if (blank && run_first == 0) run_first = p;
    if (!blank && run_first != 0) {
      if (p - run_first >= kLongBlankRun) long_blank_runs_.push_back({run_first, p - 1});
      run_first = 0;
    }
  }
}

template <typename P>
bool TextIndex<P>::is_blank_at(Pos p) const {
  return p >= 1 && p <= length_ && text_[static_cast<std::size_t>(p - 1)] == ' ';
}

template <typename P>
Pos TextIndex<P>::anchor_after_quota(Pos segment_start, std::int32_t quota) const {
  if (segment_start >= length_) return segment_start;
  if (quota == 0) {
    // The first step leaves the quota at 0 unless it finds a vowel, which
    // turns it negative; the callers never ask, but the answer is defined.
    Pos examined = segment_start + 2;
    return examined <= length_ && is_vowel(static_cast<unsigned char>(text_[static_cast<std::size_t>(examined - 1)]))
               ? length_
               : segment_start + 1;
  }
  if (quota < 0) return length_;
  std::size_t first = vowels_.first_at_or_after(segment_start + 2);
  std::size_t wanted = static_cast<std::size_t>(quota);
  if (vowels_.size() - first < wanted) return length_;
  // The scan stops with the anchor one before the vowel that paid the quota off.
  return vowels_.at(first + wanted - 1) - 1;
}

template <typename P>
Pos TextIndex<P>::next_break(Pos from) const {
  if (from < 1 || from > length_) return 0;
  std::size_t index = breaks_.first_at_or_after(from);
  return index < breaks_.size() ? breaks_.at(index) : 0;
}

template <typename P>
Pos TextIndex<P>::last_break(Pos upto) const {
  if (upto == 0 || upto > length_) return 0;
  if (upto < 0) return breaks_.size() == 0 ? 0 : breaks_.at(breaks_.size() - 1);
  std::size_t index = breaks_.first_at_or_after(upto);
  if (index < breaks_.size() && breaks_.at(index) == upto) return upto;
  return index == 0 ? 0 : breaks_.at(index - 1);
}

template <typename P>
Pos TextIndex<P>::skip_blanks(Pos p) const {
  for (Pos stepped = 0; is_blank_at(p); ++stepped, ++p) {
    if (stepped == kLongBlankRun) {
      // kLongBlankRun blanks in a row: p lies inside a listed long run.
      auto after = std::upper_bound(long_blank_runs_.begin(), long_blank_runs_.end(), p,
                                    [](Pos value, const BlankRun& run) { return value < run.first; });
      return std::prev(after)->last + 1;
    }
  }
  return p;
}

template class PositionList<std::uint32_t>;
template class PositionList<std::uint64_t>;
template class TextIndex<std::uint32_t>;
template class TextIndex<std::uint64_t>;

}  // namespace rt
