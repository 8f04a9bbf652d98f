#include "tests/retime/reference_search.h"

#include <cstddef>

#include "tests/retime/plain_search.h"

namespace rt {

namespace {

// The timecode lines as a file that is read line by line and rewound.
struct LineFile {
  const std::vector<std::string>& lines;
  std::size_t next = 0;
};

}  // namespace

std::string entry_bytes(const std::string& number_line, const std::string& timecode_line,
                        const std::string& segment) {
  return number_line + "\r\n" + timecode_line + "\r\n" + segment + "\r\n" + "\r\n";
}

SearchRecord record_engine(const std::string& text, const std::vector<std::string>& timecode_lines,
                           std::string number_line, const RetimeOptions& options) {
  SearchRecord record;
  RetimeSink sink;
  sink.print_line = [&](const std::string& line) {
    if (line == kFailureLine) record.closed_before_failure = record.closes > 0;
    record.console.push_back(line);
  };
  sink.write_cue = [&](const std::string& number, const std::string& timecode, const std::string& segment) {
    // An entry after the files were closed would never reach the disk.
    if (record.closes > 0) record.output += "<written after close>";
    record.output += entry_bytes(number, timecode, segment);
  };
  sink.close_all = [&] { record.closes += 1; };
  RetimeOutcome outcome = retime_text(text, timecode_lines, number_line, sink, options);
  record.failed = outcome.failed;
  record.passes = outcome.passes;
  record.number_line = number_line;
  record.factor = outcome.factor;
  return record;
}

SearchRecord reference_search(const std::string& text, const std::vector<std::string>& timecode_lines,
                              std::string number_line, std::int64_t max_passes) {
  SearchRecord record;
  LineFile lines{timecode_lines};
  PlainLineFile file;
  file.read_line = [&lines] {
    return lines.next < lines.lines.size() ? lines.lines[lines.next++] : std::string();
  };
  file.at_end = [&lines] { return lines.next >= lines.lines.size(); };
  file.rewind = [&lines] { lines.next = 0; };
  PlainSink sink;
  sink.print_line = [&record](const std::string& line) {
    if (line == kFailureLine) record.closed_before_failure = record.closes > 0;
    record.console.push_back(line);
  };
  sink.write_cue = [&record](const std::string& number, const std::string& timecode, const std::string& segment) {
    record.output += entry_bytes(number, timecode, segment);
  };
  sink.close_all = [&record] { record.closes += 1; };
  const PlainOutcome outcome = plain_search(text, file, number_line, max_passes, sink);
  record.failed = outcome.failed;
  record.passes = outcome.passes;
  record.number_line = number_line;
  return record;
}

}  // namespace rt
