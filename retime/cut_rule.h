// The cut rule: which bytes weigh a text (its vowels), where a text may be
// cut (its break characters), which of the two breaks around a cue's anchor
// becomes the cut, and what the next segment steps over after it. The text
// index, the search and the readability report all take the rule from here.
#pragma once

#include <cstdint>
#include <string>

#include "text/texts.h"

namespace rt {

// The nine vowel bytes: lower-case a e i o u y and the ISO 8859-1 umlauts
// a, o, u with diaeresis. Capitals and multi-byte encodings do not count.
inline const std::string kVowels = "aeiou\xE4\xF6\xFCy";

// The six bytes at which a text may be cut: # . , ; : and the blank.
inline const std::string kBreakCharacters = "#.,;: ";

// The byte the next segment steps over after a cut (not a tab or line end).
inline constexpr char kSkippedAfterCut = ' ';

bool is_vowel(unsigned char c);

// Number of positions of text that hold a vowel. Counted in 64 bits like
// positions.
std::int64_t count_vowels(const std::string& text);

// The cut of a cue from the two breaks around its anchor, first matching
// rule: no forward break gives the backward one (which may be 0 or lie before
// segment_start); no backward break, or one before segment_start, gives the
// forward one; otherwise the nearer of the two to anchor, the forward one
// when both are equally far. Inline: it runs for every cue of every pass.
inline Pos choose_cut(Pos forward, Pos backward, Pos segment_start, Pos anchor) {
  if (forward == 0) return backward;
  if (backward == 0) return forward;
  if (backward < segment_start) return forward;
  return forward - anchor > anchor - backward ? backward : forward;
}

}  // namespace rt
