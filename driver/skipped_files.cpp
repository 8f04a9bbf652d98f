#include "driver/skipped_files.h"

#include <algorithm>
#include <vector>

#include "driver/timecode_line.h"
#include "retime/timecode.h"
#include "text/numbers.h"
#include "text/texts.h"

namespace rt {
namespace {

const std::string kUnreadable = "nicht lesbar";
const std::string kEmpty = "leer";
const std::string kUtf16 = "UTF-16";
const std::string kWebVtt = "WebVTT";
const std::string kNoTimecodeLine = "keine Zeitzeile am Anfang";
const std::string kCarriageReturnLineEnds = "Zeilenenden nur CR";
const std::string kNoNumber = "keine Nummer vor der Zeitzeile";
const std::string kTextAfterEndTime = "Zeichen nach der Endzeit";
const std::string kDotBeforeMilliseconds = "Punkt vor den Millisekunden";
const std::string kNoMilliseconds = "ohne Millisekunden";
const std::string kOneDigitHours = "einstellige Stunden";
const std::string kTimeFormat = "Zeit nicht wie 00:00:00,000";
const std::string kLayout = "Aufbau nicht erkannt";

const std::vector<std::string> kSubtitleEndings = {".srt", ".vtt"};
// The arrow's bytes in UTF-16, little- or big-endian alike.
const std::string kUtf16Arrow("-\0-\0>", 5);
const std::vector<std::string> kUtf16Marks = {"\xFF\xFE", "\xFE\xFF"};
const std::string kWebVttSignature = "WEBVTT";

bool starts_with(const std::string& t, const std::string& start) { return t.compare(0, start.size(), start) == 0; }

bool has_subtitle_name(const std::string& name) {
  const std::string ending = lower_case(right_text(name, 4));
  return std::find(kSubtitleEndings.begin(), kSubtitleEndings.end(), ending) != kSubtitleEndings.end();
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "00:00:01.000": the shape of a time with a dot before the milliseconds.
bool has_dot_before_milliseconds(const std::string& time) {
  return time.size() > 9 && is_digit(time[0]) && is_digit(time[1]) && time[2] == ':' && is_digit(time[3]) &&
         is_digit(time[4]) && time[5] == ':' && is_digit(time[6]) && is_digit(time[7]) && time[8] == '.';
}

// "00:00:01": a time that ends after the seconds.
bool lacks_milliseconds(const std::string& time) {
  const std::string seconds = time.substr(0, time.find(' '));
  return seconds.size() == 8 && is_digit(seconds[0]) && is_digit(seconds[1]) && seconds[2] == ':' &&
         is_digit(seconds[3]) && is_digit(seconds[4]) && seconds[5] == ':' && is_digit(seconds[6]) &&
         is_digit(seconds[7]);
}

// "0:00:01,000": one digit before the first colon.
bool has_one_digit_hours(const std::string& time) { return time.size() > 2 && is_digit(time[0]) && time[1] == ':'; }

// An arrow with a digit before it and after it, as times have: an arrow in
// prose or code is no sign of a subtitle file.
bool is_arrow_between_times(const std::string& line) {
  const std::size_t arrow = line.find(kArrow);
  if (arrow == std::string::npos) return false;
  const auto digit = [](char c) { return is_digit(c); };
  return std::any_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(arrow), digit) &&
         std::any_of(line.begin() + static_cast<std::ptrdiff_t>(arrow), line.end(), digit);
}

// Why the first line with an arrow between times, at index at of lines, is no cue the
// probe could take.
std::string reason_of_arrow_line(const std::vector<std::string>& lines, std::size_t at) {
  const std::string& line = lines[at];
  // Lines ended by CR alone read as one line that holds them all.
  if (line.find('\r') != std::string::npos) return kCarriageReturnLineEnds;
  if (is_timecode_line(line)) return at == 0 || !is_number_line(lines[at - 1]) ? kNoNumber : kLayout;
  if (is_timecode_line(left_text(line, kTimecodeMaskLength))) return kTextAfterEndTime;
  std::string start = line.substr(0, line.find(kArrow));
  start.erase(0, start.find_first_not_of(' '));
  if (has_dot_before_milliseconds(start)) return kDotBeforeMilliseconds;
  if (has_one_digit_hours(start)) return kOneDigitHours;
  if (lacks_milliseconds(start)) return kNoMilliseconds;
  return kTimeFormat;
}

}  // namespace

std::string reason_not_read(const std::string& name, const ProbedLines& probed) {
  const bool subtitle_name = has_subtitle_name(name);
  if (!probed.opened) return subtitle_name ? kUnreadable : "";
  if (probed.empty) return subtitle_name ? kEmpty : "";
  const std::vector<std::string>& lines = probed.lines;
  for (const std::string& mark : kUtf16Marks) {
    if (!lines.empty() && starts_with(lines.front(), mark)) return kUtf16;
  }
  for (const std::string& line : lines) {
    if (line.find(kUtf16Arrow) != std::string::npos) return kUtf16;
  }
  if (!lines.empty() && starts_with(lines.front(), kWebVttSignature)) return kWebVtt;
  for (std::size_t at = 0; at < lines.size(); ++at) {
    if (is_arrow_between_times(lines[at])) return reason_of_arrow_line(lines, at);
  }
  return subtitle_name ? kNoTimecodeLine : "";
}

std::string not_read_line(const SkippedFile& file) { return kNotReadLabel + file.name + " (" + file.reason + ")"; }

}  // namespace rt
