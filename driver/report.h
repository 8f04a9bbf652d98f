// The readability report (retime --report): how readable the re-timed cues
// of each pair are, in characters per second (CPS) and characters per cue,
// worked out from the entries of the writing pass as retime_pair hands them
// to the output file, and the lines printed after each pair's own. Nothing
// here touches a file or the console; the page is driver/report_page.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "retime/engine.h"
#include "retime/time_text.h"

namespace rt {

// What a viewer can read: 17 characters per second is the usual limit for
// adults, and a cue holds two lines of 42 characters. The tool writes each
// cue's text as one line and leaves the breaking into lines to the player,
// so the second limit counts the characters of the whole cue.
inline constexpr int kDefaultCpsLimit = 17;
inline constexpr int kDefaultCueCharacterLimit = 84;

struct ReadabilityLimits {
  int cps = kDefaultCpsLimit;
  int cue_characters = kDefaultCueCharacterLimit;
};

// A flagged cue's text is kept for the page up to this many characters.
inline constexpr std::size_t kShownCueCharacters = 300;

// One cue of the writing pass.
struct CueReading {
  std::string number;  // the number line written with it
  std::int32_t start_ms = 0;
  std::int32_t duration_ms = 0;
  std::int64_t characters = 0;  // of its text as written, blanks included, each line end one
  // Characters per second in tenths, rounded half up; -1 when the cue has
  // no positive duration.
  std::int64_t cps_tenths = -1;
  bool empty = false;     // nothing but blanks, tabs, line ends and # . , ; :
  bool too_fast = false;  // words, and shown CPS above the limit or no time to read them
  bool too_long = false;  // more characters than the limit
  std::string text;       // a flagged cue's text as UTF-8, cut after kShownCueCharacters
};

// A cue of the timecode file, written or not.
struct CueTime {
  std::int32_t start_ms = 0;
  std::int32_t duration_ms = 0;
};

enum class PairEnd { skipped, failed, done };

// One timecode file's block of the batch and, when it was re-timed, the
// figures of its writing pass.
struct PairReadability {
  int position = 0;
  std::string timecode_name;
  std::string text_name;
  std::string output_name;
  ReadabilityLimits limits;
  PairEnd end = PairEnd::skipped;  // no text file, until retime_pair ends
  std::int64_t cues_in_file = 0;
  // Every cue of the timecode file in its order (cues_in_file of them):
  // the first ones are the cues written, the rest got no text.
  std::vector<CueTime> file_cues;
  std::vector<CueReading> cues;  // the cues written
  std::int64_t left_over_characters = 0;
  double factor = 0.0;
  std::int64_t passes = 0;
  // Why the pair ended with " Fehler", as the console tells it; empty when
  // that is not known. Shown beside "Fehler" on the page.
  std::string failure_reason;
};

// The tap that fills pair from retime_pair: the cues in the file (their
// number and times), each cue written, the text left over after the last one (without the blanks and
// line ends around it), the factor, the passes and how the pair ended. The
// tap refers to pair, which must outlive it.
PairTap readability_tap(PairReadability& pair);

// Where the text ran out: the end of the last cue written (the start of
// the first cue when none was).
std::int64_t text_end_ms(const PairReadability& pair);

// The figures over a pair's written cues. The speeds are taken over the
// cues that hold text and have a positive duration, from their shown
// (rounded) CPS: the median (the mean of the two middle values for an even
// count, rounded half up), the 95th percentile by nearest rank, and the
// highest with the first cue that has it.
struct ReadabilitySummary {
  std::int64_t empty = 0;
  std::int64_t too_fast = 0;
  std::int64_t too_long = 0;
  bool has_speeds = false;
  std::int64_t median_tenths = 0;
  std::int64_t percentile_95_tenths = 0;
  std::int64_t max_tenths = 0;
  std::size_t fastest = 0;  // index into cues
};

ReadabilitySummary summarise(const PairReadability& pair);

// Whether a cue's speed is one of those the figures are taken over.
bool counts_for_speed(const CueReading& cue);

// The 95th percentile by nearest rank of speeds sorted upwards (not empty).
std::int64_t percentile_95(const std::vector<std::int64_t>& sorted);

// What would put a flagged cue within the limits: the shortest duration in
// milliseconds at which its shown speed is at most cps_limit (also for a
// cue with no positive duration), and the characters above
// character_limit (0 when it has no more).
std::int64_t needed_duration_ms(const CueReading& cue, int cps_limit);
std::int64_t characters_over(const CueReading& cue, int character_limit);

// The lines printed after a re-timed pair's own, each indented by three
// blanks; none for a pair that was skipped or ended with " Fehler".
std::vector<std::string> readability_lines(const PairReadability& pair);

}  // namespace rt
