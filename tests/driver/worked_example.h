// A small pair whose re-timed output was worked out by hand: the text spread
// over three cues ends, after the correction-factor search, as two filled
// cues and one empty one.
#pragma once

#include <string>

namespace rt::test_support {

inline const std::string worked_text =
    "Guten Morgen. Wie geht es dir heute? Mir geht es gut, danke.";

inline const std::string worked_timecodes =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\nEins\r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:05,000\r\nZwei\r\n\r\n"
    "3\r\n00:00:05,500 --> 00:00:08,000\r\nDrei\r\n\r\n";

inline const std::string worked_output =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\nGuten Morgen. Wie geht \r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:05,000\r\nes dir heute? Mir geht es gut, danke.\r\n\r\n"
    "3\r\n00:00:05,500 --> 00:00:08,000\r\n\r\n\r\n";

// A text without lower-case vowels weighs nothing: the pair fails at once.
inline const std::string weightless_text = "HALLO WELT.";

// A first cue of no duration gets no share of the text: the pair fails at
// its first cue, before anything is written.
inline const std::string zero_length_timecodes =
    "1\r\n00:00:01,000 --> 00:00:01,000\r\nNull\r\n\r\n"
    "2\r\n00:00:02,000 --> 00:00:04,000\r\nZwei\r\n\r\n";

}  // namespace rt::test_support
