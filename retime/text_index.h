// Tables built once per text so that every retiming pass costs time in
// proportion to its cues, not to the length of the text.
//
// The text is described by the ascending positions of its vowels and of its
// break characters (4 bytes per such byte for texts below 4 GiB, 8 bytes
// above), each list with a coarse directory (one entry per 64 text bytes)
// that turns a position into a short range of the list, plus the long runs
// of blanks. The queries give exactly the results of the plain byte loops
// and text searches they replace, edge results included: positions are
// 1-based, Len + 1 lies past the end and holds neither a vowel nor a blank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/texts.h"

namespace rt {

// The nine vowel bytes: lower-case a e i o u y and the ISO 8859-1 umlauts
// a, o, u with diaeresis. Capitals and multi-byte encodings do not count.
inline const std::string kVowels = "aeiou\xE4\xF6\xFCy";

// The six bytes at which a text may be cut: # . , ; : and the blank.
inline const std::string kBreakCharacters = "#.,;: ";

bool is_vowel(unsigned char c);
bool is_break_character(unsigned char c);

// Ascending 1-based positions of the bytes of a text that satisfy a test, P
// being the integer type that holds them.
template <typename P>
class PositionList {
 public:
  // Collects the positions of text whose byte satisfies wanted.
  PositionList(const std::string& text, bool (*wanted)(unsigned char));

  std::size_t size() const { return positions_.size(); }
  Pos at(std::size_t index) const { return static_cast<Pos>(positions_[index]); }

  // Index of the first listed position that is at least from; size() when
  // there is none.
  std::size_t first_at_or_after(Pos from) const;

 private:
  static constexpr int kBucketShift = 6;  // 64 text bytes per directory entry

  Pos length_;
  std::vector<P> positions_;
  // directory_[b]: index of the first listed position beyond b * 64, so the
  // positions of bucket b (b * 64 + 1 to b * 64 + 64) are the entries from
  // directory_[b] up to directory_[b + 1].
  std::vector<P> directory_;
};

template <typename P>
class TextIndex {
 public:
  // Builds the tables of text, which must outlive the index.
  explicit TextIndex(const std::string& text);

  Pos length() const { return length_; }
  std::int64_t vowel_count() const { return static_cast<std::int64_t>(vowels_.size()); }

  // Where the vowel-quota scan stops for a cue whose segment begins at
  // segment_start: the anchor steps from segment_start one position at a
  // time, never beyond Len, and each step examines the byte one past the new
  // anchor (so the first byte examined is segment_start + 2), taking one
  // vowel off the quota, until the quota reaches 0. A negative quota never
  // reaches 0 and runs to Len; at segment_start >= Len nothing is examined.
  Pos anchor_after_quota(Pos segment_start, std::int32_t quota) const;

  // find_any(from, text, kBreakCharacters): the first break character at or
  // after from; 0 when there is none or from lies outside 1..Len.
  Pos next_break(Pos from) const;

  // find_any_last(text, kBreakCharacters, upto): the last break character at
  // or before upto; 0 when there is none, when upto is 0 and when upto lies
  // beyond Len (a bound past the end is not pulled back). A negative upto
  // searches the whole text.
  Pos last_break(Pos upto) const;

  // The first position from p on that does not hold a blank; Len + 1 when
  // blanks run to the end.
  Pos skip_blanks(Pos p) const;

 private:
  // Blank runs shorter than this are stepped over byte by byte; longer ones
  // are looked up, so a page of blanks costs no more than a word.
  static constexpr Pos kLongBlankRun = 16;

  struct BlankRun {
    Pos first;
    Pos last;
  };

  bool is_blank_at(Pos p) const;

  const std::string& text_;
  Pos length_;
  PositionList<P> vowels_;
  PositionList<P> breaks_;
  std::vector<BlankRun> long_blank_runs_;
};

// Texts whose positions fit 32 bits use the compact tables.
bool fits_compact_positions(const std::string& text);

extern template class PositionList<std::uint32_t>;
extern template class PositionList<std::uint64_t>;
extern template class TextIndex<std::uint32_t>;
extern template class TextIndex<std::uint64_t>;

}  // namespace rt
