// Operations on texts: byte strings of any length, NUL bytes included.
//
// Positions are 1-based and lengths count bytes. No operation fails: a cut
// that runs past the end is shortened, and a search that finds nothing, or
// starts outside the text, returns 0. Callers rely on these edge results.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

using Pos = std::int64_t;

// Number of bytes of t.
Pos text_length(const std::string& t);

// The first n bytes of t; empty for n <= 0; all of t when n >= its length.
std::string left_text(const std::string& t, Pos n);

// The last n bytes of t; empty for n <= 0; all of t when n >= its length.
std::string right_text(const std::string& t, Pos n);

// count bytes from position start; a negative count means "to the end".
// Empty when count is 0, start < 1, start > length, or t is empty; a count
// that runs past the end is cut there.
std::string mid_text(const std::string& t, Pos start, Pos count);

// t with A-Z lowered to a-z; every other byte (0x80 and up included) is kept.
std::string lower_case(const std::string& t);

// The one-byte text holding b (0..255).
std::string char_text(int b);

// Position of the first occurrence of p in t beginning at or after start;
// 0 when t or p is empty, start < 1, start > length, p is longer than t, or
// there is no such occurrence.
Pos find(Pos start, const std::string& t, const std::string& p);

// First position at or after start whose byte is one of the bytes of set;
// 0 when t or set is empty, start < 1, start > length, or there is none.
Pos find_any(Pos start, const std::string& t, const std::string& set);

// Position of the last occurrence of p in t that begins at or before start
// (start -1, or any negative start: the whole text). 0 when t or p is empty,
// p is longer than t, start is 0, a positive start lies past the end, or
// there is none.
Pos find_last(const std::string& t, const std::string& p, Pos start);

// Last position at or before start whose byte is one of the bytes of set
// (negative start: the whole text). 0 when t or set is empty, start is 0, a
// positive start lies past the end (it is not pulled back), or there is none.
Pos find_any_last(const std::string& t, const std::string& set, Pos start);

}  // namespace rt
