#include "driver/report.h"

#include <algorithm>
#include <memory>

#include "driver/report_text.h"
#include "retime/cut_rule.h"
#include "retime/timecode.h"

namespace rt {
namespace {

// The text the search ran on, a byte a character, and where the last
// written cue's text ended in it: the text left over is whatever follows.
struct TextReading {
  const std::string* searched = nullptr;
  bool utf8 = false;
  Pos last_cut = 0;
};

// The bytes a cut and the skip after it can leave a cue holding when the
// text has no words for it: break characters and white space.
const std::string kNoWords = kBreakCharacters + "\t\r\n";

// Flagged cues named on the console, the rest left to the page.
constexpr std::size_t kNamedFlaggedCues = 5;

constexpr std::int64_t kTenthsPerUnit = 10;

// The speed a cue of these characters shows over duration_ms (> 0), in
// tenths rounded half up.
std::int64_t shown_cps_tenths(std::int64_t characters, std::int64_t duration_ms) {
  return (characters * kMsPerSecond * kTenthsPerUnit + duration_ms / 2) / duration_ms;
}

CueReading read_cue(const std::string& number_line, const std::string& timecode_line, const std::string& segment,
                    bool utf8, const ReadabilityLimits& limits) {
  CueReading cue;
  cue.number = number_line;
  cue.start_ms = timecode_to_ms(split_timecode_line(timecode_line).start);
  cue.duration_ms = cue_duration(timecode_line);
  cue.characters = shown_characters(segment, utf8);
  cue.empty = segment.find_first_not_of(kNoWords) == std::string::npos;
  if (cue.duration_ms > 0) {
    cue.cps_tenths = shown_cps_tenths(cue.characters, cue.duration_ms);
    cue.too_fast = !cue.empty && cue.cps_tenths > limits.cps * kTenthsPerUnit;
  } else {
    cue.too_fast = !cue.empty;
  }
  cue.too_long = cue.characters > limits.cue_characters;
  if (cue.too_fast || cue.too_long) cue.text = page_text(segment, utf8, kShownCueCharacters);
  return cue;
}

// " (Nr. 2, 5, 9, 14, 20, ...)" for the first flagged cues, "" for none.
std::string named_cues(const std::vector<CueReading>& cues, bool CueReading::*flag) {
  std::string names;
  std::size_t named = 0;
  for (const CueReading& cue : cues) {
    if (!(cue.*flag)) continue;
    if (named == kNamedFlaggedCues) {
      names += ", ...";
      break;
    }
    names += (named == 0 ? " (Nr. " : ", ") + cue.number;
    ++named;
  }
  return named == 0 ? "" : names + ")";
}

// The start and duration of every cue (timecode line) of the file.
std::vector<CueTime> cue_times(const std::vector<std::string>& timecode_lines) {
  std::vector<CueTime> times;
  for (const std::string& line : timecode_lines) {
    if (!is_cue_line(line)) continue;
    times.push_back(CueTime{timecode_to_ms(split_timecode_line(line).start), cue_duration(line)});
  }
  return times;
}

}  // namespace

PairTap readability_tap(PairReadability& pair) {
  auto reading = std::make_shared<TextReading>();
  PairTap tap;
  tap.read = [&pair, reading](const PairText& text, const std::vector<std::string>& timecode_lines) {
    *reading = TextReading{&text.searched(), text.utf8(), 0};
    pair.file_cues = cue_times(timecode_lines);
    pair.cues_in_file = static_cast<std::int64_t>(pair.file_cues.size());
    pair.cues.clear();
  };
  tap.entry = [&pair, reading](const WrittenCue& written) {
    if (written.cut >= written.first) reading->last_cut = written.cut;
    pair.cues.push_back(read_cue(written.number_line, written.timecode_line, written.text, reading->utf8, pair.limits));
  };
  tap.ended = [&pair, reading](const RetimeOutcome& outcome, bool failed) {
    pair.end = failed ? PairEnd::failed : PairEnd::done;
    pair.factor = outcome.factor;
    pair.passes = outcome.passes;
    if (!failed && reading->searched != nullptr) {
      pair.left_over_characters = trimmed_characters(*reading->searched, static_cast<std::size_t>(reading->last_cut));
    }
    reading->searched = nullptr;
  };
  return tap;
}

std::int64_t text_end_ms(const PairReadability& pair) {
  if (pair.cues.empty()) return pair.file_cues.empty() ? 0 : pair.file_cues.front().start_ms;
  const CueReading& last = pair.cues.back();
  return static_cast<std::int64_t>(last.start_ms) + std::max(last.duration_ms, 0);
}

bool counts_for_speed(const CueReading& cue) { return !cue.empty && cue.duration_ms > 0; }

std::int64_t percentile_95(const std::vector<std::int64_t>& sorted) {
  const std::size_t rank = (95 * sorted.size() + 99) / 100;  // the smallest rank covering 95 %
  return sorted[rank - 1];
}

ReadabilitySummary summarise(const PairReadability& pair) {
  ReadabilitySummary summary;
  std::vector<std::int64_t> speeds;
  for (std::size_t i = 0; i < pair.cues.size(); ++i) {
    const CueReading& cue = pair.cues[i];
    summary.empty += cue.empty ? 1 : 0;
    summary.too_fast += cue.too_fast ? 1 : 0;
    summary.too_long += cue.too_long ? 1 : 0;
    if (!counts_for_speed(cue)) continue;
    if (speeds.empty() || cue.cps_tenths > summary.max_tenths) {
      summary.max_tenths = cue.cps_tenths;
      summary.fastest = i;
    }
    speeds.push_back(cue.cps_tenths);
  }
  if (speeds.empty()) return summary;
  summary.has_speeds = true;
  std::sort(speeds.begin(), speeds.end());
  const std::size_t n = speeds.size();
  summary.median_tenths = n % 2 == 1 ? speeds[n / 2] : (speeds[n / 2 - 1] + speeds[n / 2] + 1) / 2;
  summary.percentile_95_tenths = percentile_95(speeds);
  return summary;
}

std::int64_t needed_duration_ms(const CueReading& cue, int cps_limit) {
  if (cue.characters <= 0) return 0;
  const std::int64_t most_tenths = static_cast<std::int64_t>(cps_limit) * kTenthsPerUnit;
  // At the exact quotient the shown speed is at most the limit; the
  // rounding to tenths may let a few milliseconds less pass as well, and
  // the shown speed only falls as the duration grows.
  std::int64_t enough = (cue.characters * kMsPerSecond + cps_limit - 1) / cps_limit;
  std::int64_t too_short = 0;
  while (enough - too_short > 1) {
    const std::int64_t middle = too_short + (enough - too_short) / 2;
    if (shown_cps_tenths(cue.characters, middle) <= most_tenths) {
      enough = middle;
    } else {
      too_short = middle;
    }
  }
  return enough;
}

std::int64_t characters_over(const CueReading& cue, int character_limit) {
  return std::max<std::int64_t>(0, cue.characters - character_limit);
}

std::vector<std::string> readability_lines(const PairReadability& pair) {
  if (pair.end != PairEnd::done) return {};
  const ReadabilitySummary summary = summarise(pair);
  const std::string indent = "   ";
  std::vector<std::string> lines;
  lines.push_back(indent + "Geschrieben: " + std::to_string(pair.cues.size()) + " von " +
                  std::to_string(pair.cues_in_file) + (pair.cues_in_file == 1 ? " Untertitel, " : " Untertiteln, ") +
                  std::to_string(summary.empty) + " leer");
  lines.push_back(indent + "Textrest (nicht verteilt): " + std::to_string(pair.left_over_characters) + " Zeichen");
  if (summary.has_speeds) {
    const CueReading& fastest = pair.cues[summary.fastest];
    lines.push_back(indent + "Zeichen/s: Median " + decimal_tenths(summary.median_tenths) + ", 95. Perzentil " +
                    decimal_tenths(summary.percentile_95_tenths) + ", Maximum " +
                    decimal_tenths(summary.max_tenths) + " (Nr. " + fastest.number + ", " +
                    timecode_text(fastest.start_ms) + ")");
  } else {
    lines.push_back(indent + "Zeichen/s: kein Untertitel mit Text");
  }
  lines.push_back(indent + "Mehr als " + std::to_string(pair.limits.cps) + " Zeichen/s: " +
                  std::to_string(summary.too_fast) + named_cues(pair.cues, &CueReading::too_fast));
  lines.push_back(indent + "Mehr als " + std::to_string(pair.limits.cue_characters) + " Zeichen: " +
                  std::to_string(summary.too_long) + named_cues(pair.cues, &CueReading::too_long));
  lines.push_back(indent + "Korrekturfaktor: " + decimal_factor(pair.factor) + " nach " + std::to_string(pair.passes) +
                  " Runden");
  return lines;
}

}  // namespace rt
