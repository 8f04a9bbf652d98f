#include "retime/output.h"

#include "retime/pair_files.h"
#include "text/files.h"

namespace rt {

namespace {

const std::string kLineEndBytes = "\r\n";
const std::string kBlankBytes = " \t";

}  // namespace

std::string cue_text_as_written(const std::string& segment) {
  if (segment.find_first_of(kLineEndBytes) == std::string::npos) return segment;
  std::string written;
  written.reserve(segment.size() + segment.size() / 8);
  for (std::size_t start = 0; start <= segment.size();) {
    std::size_t end = segment.find_first_of(kLineEndBytes, start);
    if (end == std::string::npos) end = segment.size();
    const std::size_t shown = segment.find_first_not_of(kBlankBytes, start);
    if (shown != std::string::npos && shown < end) {
      if (!written.empty()) written += kWrittenLineEnd;
      written.append(segment, start, end - start);
    }
    start = end + 1;
  }
  return written;
}

void write_cue(const std::string& number_line, const std::string& timecode_line, const std::string& segment) {
  write_line(kOutputFile, number_line);
  write_line(kOutputFile, timecode_line);
  write_line(kOutputFile, cue_text_as_written(segment));
  write_line(kOutputFile, "");
}

}  // namespace rt
