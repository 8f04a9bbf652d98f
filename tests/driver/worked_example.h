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

// Seven cues over which the worked text runs out at the sixth: the seventh
// gets no text and is not written.
inline const std::string run_out_timecodes =
    "1\r\n00:00:01,000 --> 00:00:01,800\r\nx\r\n\r\n"
    "2\r\n00:00:02,300 --> 00:00:03,000\r\nx\r\n\r\n"
    "3\r\n00:00:03,500 --> 00:00:04,800\r\nx\r\n\r\n"
    "4\r\n00:00:05,300 --> 00:00:05,600\r\nx\r\n\r\n"
    "5\r\n00:00:06,100 --> 00:00:07,700\r\nx\r\n\r\n"
    "6\r\n00:00:08,200 --> 00:00:08,400\r\nx\r\n\r\n"
    "7\r\n00:00:08,900 --> 00:00:10,600\r\nx\r\n\r\n";

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
