// The text of a pair as the search reads it: a position a character. A
// text file in UTF-8 (text/encodings.h tells which) is searched through a
// stand-in that holds one byte for each of its characters, the byte the
// character has in Windows-1252, so that it is weighed and cut exactly as
// the same text in Windows-1252 is (a and a-umlaut are vowels whatever their
// bytes). What is written are the text's own bytes, cut after the same
// characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/texts.h"

namespace rt {

// The stand-in of a character Windows-1252 lacks: a letter that is neither
// vowel nor break character nor blank.
constexpr char kNeutralLetter = 'x';

class PairText {
 public:
  // The text file's character stream as read_all gives it. A UTF-8 text
  // loses its byte-order mark; any other text stays as it is.
  explicit PairText(std::string stream);

  bool utf8() const { return utf8_; }

  // The text the search runs on, one byte a character: the text itself, or
  // the stand-in of a UTF-8 text (a byte of no valid UTF-8 sequence stands
  // for itself).
  const std::string& searched() const { return utf8_ ? stand_in_ : bytes_; }

  // The text's own bytes of the characters first..last (1-based positions
  // of searched(), last included; a segment of the search lies within
  // them); empty when last < first.
  std::string bytes_of(Pos first, Pos last) const { return std::string(view_of(first, last)); }

  // bytes_of without a copy, valid while the text lives.
  std::string_view view_of(Pos first, Pos last) const;

 private:
  // The byte offset of the character at 0-based index i (the text's size
  // for i at its end).
  std::size_t offset_of(std::size_t i) const;

  std::string bytes_;
  bool utf8_ = false;
  std::string stand_in_;
  // The byte offset of every kIndexedCharacters-th character of a UTF-8
  // text, from the first; the others are found from there.
  std::vector<std::size_t> offsets_;
};

}  // namespace rt
