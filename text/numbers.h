// Numbers written as text: reading a leading number, writing a real the way
// the system writes every real, and telling cue-number lines from others.
#pragma once

#include <string>
#include <string_view>

namespace rt {

// Value of the number at the beginning of t, 0 when there is none:
// - leading blanks (byte 32) are skipped;
// - "&H", "&O", "&B" (either case) start a hexadecimal, octal or binary
//   whole number, "&" with any other next byte an octal one; the digits wrap
//   as an unsigned 64-bit number and are read back as signed;
// - "0x"/"0X" right after the blanks gives 0;
// - otherwise d/D count as e/E and the longest beginning that forms a real
//   is taken (white space, sign, digits with ".", exponent; inf, infinity,
//   nan and hexadecimal reals after white space and sign), correctly
//   rounded. The decimal point is always ".", whatever the locale.
double to_number(const std::string& t);

// to_number without its shortcut for plain digit runs: every real goes
// through the full reading (the two agree on every text; tests and the
// numbers fuzz target compare them).
double to_number_in_full(const std::string& t);

// x written with "%.16g", the exponent having at least three digits
// ("1e+016", "1e-005"). Negative zero keeps its sign: "-0". Infinite and
// not-a-number values give "1.#INF", "-1.#INF", "1.#QNAN" or "-1.#QNAN",
// texts that read back as 1 or -1, never as the same value.
std::string number_text(double x);

// True exactly when number_text(to_number(t)) == t, and the value is finite:
// t is written the way number_text writes its own value ("12", "1.5",
// "1e+016"; not "012", "1.0", "1e16", " 12").
bool is_number_line(std::string_view t);

}  // namespace rt
