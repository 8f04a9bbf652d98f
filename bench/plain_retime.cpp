// The plain reading of the retiming search, as a yardstick for the engine:
// every pass re-reads the timecode file line by line from its first byte,
// recognises number lines and works out each cue's duration again, and
// rescans the text byte by byte for the vowels of each cue, finding the
// breaks with find_any and find_any_last. It works through the numbered
// files as retime_pair does and writes the same bytes.
//
//   plain_retime TEXT_FILE TIMECODE_FILE OUTPUT_FILE
//
// prints the engine's console lines and exits with 0 when the pair was
// written, 1 when the search failed, 2 on a usage error. The search is the
// tests' plain one (tests/retime/plain_search.h) on the numbered files.
#include <cstdint>
#include <cstdio>
#include <string>

#include "retime/distribution.h"
#include "retime/output.h"
#include "retime/pair_files.h"
#include "tests/retime/plain_search.h"
#include "text/arithmetic.h"
#include "text/files.h"

namespace {

constexpr int kSearchWritten = 0;
constexpr int kSearchFailed = 1;
constexpr int kUsageError = 2;

std::string number_line;  // the last number line read, as the program keeps it

int retime_plainly() {
  const std::string text = rt::read_all(rt::kTextFile);
  rt::close_file(rt::kTextFile);
  rt::PlainLineFile file;
  file.read_line = [] {
    std::string line;
    rt::read_line(rt::kTimecodeFile, line);
    return line;
  };
  file.at_end = [] { return rt::at_end(rt::kTimecodeFile); };
  file.rewind = [] { rt::rewind(rt::kTimecodeFile); };
  rt::PlainSink sink;
  sink.print_line = [](const std::string& line) { std::printf("%s\n", line.c_str()); };
  sink.write_cue = [](const std::string& number, const std::string& timecode, const std::string& segment) {
    rt::write_cue(number, timecode, segment);
  };
  sink.close_all = [] { rt::close_all(); };
  return rt::plain_search(text, file, number_line, rt::kMaxPasses, sink).failed ? kSearchFailed : kSearchWritten;
}

}  // namespace

int main(int argc, char** argv) {
  rt::set_up_arithmetic();
  if (argc != 4) {
    std::fprintf(stderr, "usage: plain_retime TEXT_FILE TIMECODE_FILE OUTPUT_FILE\n");
    return kUsageError;
  }
  rt::open_input(argv[1], rt::kTextFile);
  rt::open_input(argv[2], rt::kTimecodeFile);
  rt::open_output(argv[3], rt::kOutputFile);
  return retime_plainly();
}
