#include "retime/output.h"

#include "retime/pair_files.h"
#include "text/files.h"

namespace rt {

void write_cue(const std::string& number_line, const std::string& timecode_line, const std::string& segment) {
  write_line(kOutputFile, number_line);
  write_line(kOutputFile, timecode_line);
  write_line(kOutputFile, segment);
  write_line(kOutputFile, "");
}

}  // namespace rt
