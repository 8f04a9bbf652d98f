// The retiming search, retime_text, on an arbitrary timecode file and text
// (cut as engine_input.h says), with at most 2000 passes.
//
// Checks, besides the sanitizers:
// - the console gets " Berechne Korrekturfaktor..." and then nothing, or
//   " Fehler" exactly when the outcome is a failure;
// - close_all is called exactly once, after the last entry and before
//   " Fehler";
// - a search that does not fail writes at least one entry, and never runs
//   more passes than allowed;
// - the entries' timecode lines are the file's arrow lines in order, from
//   the first; fewer than all of them only when the text ran out at the last
//   one written (a segment of at most one byte);
// - the segments lie one after the other in the text from its start: each
//   begins where the one before ended, after the blanks that follow it, and
//   ends at a break character; a segment of at most one byte is the last;
// - each entry's number line is the last number line above its timecode
//   line in the file, or, with none above it, the incoming number line or a
//   number line of the file; the outgoing number line is one of those too.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/engine_input.h"
#include "fuzz/fuzz_support.h"
#include "retime/cut_rule.h"
#include "retime/distribution.h"
#include "retime/text_index.h"
#include "text/numbers.h"
#include "text/texts.h"

namespace {

using rt::fuzz::fail;
using rt::fuzz::require;
using rt::fuzz::shown;

// Not a line any timecode file would number a cue with, so that where it
// shows up it can only have come in.
const std::string kIncomingNumberLine = "987654321";

struct Entry {
  std::string number_line;
  std::string timecode_line;
  std::string segment;
};

struct Record {
  std::vector<std::string> console;
  std::vector<Entry> entries;
  int closes = 0;
  bool entry_after_close = false;
  bool failure_before_close = false;
};

bool holds_arrow(const std::string& line) { return rt::find(1, line, rt::kArrow) != 0; }

bool is_break(char c) { return rt::kBreakCharacters.find(c) != std::string::npos; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = rt::fuzz::input_text(data, size);
  const rt::fuzz::EngineInput cut = rt::fuzz::engine_input(input);
  const std::vector<std::string>& lines = cut.timecode_lines;

  Record record;
  rt::RetimeSink sink;
  sink.print_line = [&](const std::string& line) {
    if (line == rt::kFailureLine && record.closes == 0) record.failure_before_close = true;
    record.console.push_back(line);
  };
  sink.write_cue = [&](const std::string& number, const std::string& timecode, const std::string& segment) {
    if (record.closes > 0) record.entry_after_close = true;
    record.entries.push_back({number, timecode, segment});
  };
  sink.close_all = [&] { record.closes += 1; };
  rt::RetimeOptions options;
  options.max_passes = rt::fuzz::kFuzzMaxPasses;
  std::string number_line = kIncomingNumberLine;
  const rt::RetimeOutcome outcome = rt::retime_text(cut.text, lines, number_line, sink, options);

  const std::string case_shown = shown(input, 400);
  const std::vector<std::string> searched = {rt::kSearchingLine};
  const std::vector<std::string> failed = {rt::kSearchingLine, rt::kFailureLine};
  require(record.console == (outcome.failed ? failed : searched), "console lines are the known ones", case_shown);
  require(record.closes == 1, "close_all is called exactly once", case_shown);
  require(!record.entry_after_close, "no entry after close_all", case_shown);
  require(!record.failure_before_close, "close_all comes before the failure line", case_shown);
  require(outcome.passes <= rt::fuzz::kFuzzMaxPasses, "no more passes than allowed", case_shown);
  require(outcome.failed || !record.entries.empty(), "a search that does not fail writes entries", case_shown);

  // Arrow lines, and for each the last number line above it, if any.
  std::vector<std::size_t> arrow_lines;
  std::vector<std::string> number_lines_of_file;
  std::vector<const std::string*> number_line_above;
  const std::string* last_number_line = nullptr;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (holds_arrow(lines[i])) {
      arrow_lines.push_back(i);
      number_line_above.push_back(last_number_line);
    } else if (rt::is_number_line(lines[i])) {
      number_lines_of_file.push_back(lines[i]);
      last_number_line = &lines[i];
    }
  }
  auto came_in_or_from_file = [&](const std::string& number) {
    if (number == kIncomingNumberLine) return true;
    for (const std::string& line : number_lines_of_file) {
      if (line == number) return true;
    }
    return false;
  };

  require(record.entries.size() <= arrow_lines.size(), "no more entries than cues", case_shown);
  std::size_t text_at = 0;  // 0-based: where the next segment begins
  for (std::size_t k = 0; k < record.entries.size(); ++k) {
    const Entry& entry = record.entries[k];
    const std::string& segment = entry.segment;
    // Made only for a failure: a writing pass can have thousands of entries.
    auto where = [&] {
      return "entry " + std::to_string(k + 1) + ", segment " + shown(segment) + " at " + std::to_string(text_at) +
             ", of " + case_shown;
    };
    if (entry.timecode_line != lines[arrow_lines[k]]) fail("entries follow the arrow lines in order", where());
    if (number_line_above[k] != nullptr) {
      if (entry.number_line != *number_line_above[k]) fail("number line is the last one above the cue", where());
    } else if (!came_in_or_from_file(entry.number_line)) {
      fail("number line came in or is one of the file", where());
    }
    const bool last = k + 1 == record.entries.size();
    if (segment.size() <= 1 && !last) fail("a segment of at most one byte ends the writing", where());
    if (segment.empty()) continue;
    if (cut.text.compare(text_at, segment.size(), segment) != 0) fail("segment continues the text", where());
    if (!is_break(segment.back())) fail("segment ends at a break character", where());
    text_at += segment.size();
    while (text_at < cut.text.size() && cut.text[text_at] == ' ') ++text_at;
  }
  if (!outcome.failed && record.entries.size() < arrow_lines.size()) {
    require(record.entries.back().segment.size() <= 1, "the writing stops early only where the text ran out",
            case_shown);
  }
  require(came_in_or_from_file(number_line), "outgoing number line came in or is one of the file", case_shown);
  return 0;
}
