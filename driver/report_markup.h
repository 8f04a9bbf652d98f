// The small pieces of markup the readability page's parts share: a user's
// name as page text, and the numbers of the charts' SVG. Times and German
// decimals are retime/time_text.h's.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

// A name from the directory (a file, the directory itself, a reason that
// may quote one) as escaped UTF-8 for the page.
std::string escaped_name(const std::string& name);

// timecode_text of a time that may lie past the 32-bit range (the end of a
// cue), shown as the range's end there.
std::string wide_timecode_text(std::int64_t ms);

// Tenths of a pixel as an SVG number: 1234 -> "123.4", 50 -> "5".
std::string svg_number(std::int64_t tenths);

}  // namespace rt
