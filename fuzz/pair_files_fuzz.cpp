// retime_pair on real files: an arbitrary timecode file and text file (cut
// as engine_input.h says; the bytes after the first 0x1A become the text
// file as they are, 0x1A bytes and CR LF pairs included) opened as files 2
// and 1, the output as file 3, the console on a file.
//
// Checks, besides the sanitizers, against retime_text on the text and lines
// the files read as (the text as PairText reads it, a UTF-8 byte-order mark
// taken off the timecode file's first line; the search limited to 2000
// passes; searches that reach the limit are not run on the files, where the
// limit is a million):
// - the output file holds exactly the entries of the search, each line
//   ended by CR LF, each segment in the text's own bytes with its line ends
//   as cue_text_as_written gives them; after a failed search it holds what
//   it held before (the output of an earlier input, or nothing);
// - the console shows exactly the search's lines, each ended by a line end;
// - the pair is written exactly when the search settles, and a failed
//   search is told as such (the output, which opened, is not blamed);
// - every file is closed afterwards, and the program-wide number line is
//   the one the search leaves, carried over from one input to the next as
//   from one pair to the next.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/engine_input.h"
#include "fuzz/fuzz_support.h"
#include "retime/engine.h"
#include "retime/output.h"
#include "retime/pair_files.h"
#include "text/encodings.h"
#include "text/files.h"

namespace {

using rt::fuzz::require;
using rt::fuzz::shown;

constexpr int kConsole = 1;

std::string console_path() { return rt::fuzz::scratch_directory() + "/console.out"; }

}  // namespace

// The console goes to a file of its own, emptied before every input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const int fd = ::open(console_path().c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  rt::fuzz::require(fd >= 0 && ::dup2(fd, kConsole) == kConsole, "the console can go to a file");
  ::close(fd);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = rt::fuzz::input_text(data, size);
  const rt::fuzz::EngineInput cut = rt::fuzz::engine_input(input);
  const std::size_t end_byte = input.find('\x1A');
  const std::string timecode_bytes = input.substr(0, end_byte);
  const std::string text_bytes = end_byte == std::string::npos ? input : input.substr(end_byte + 1);
  // What the text file reads as, which for text after the 0x1A is less
  // than the cut's text when it holds CR LF pairs or a 0x1A of its own.
  const rt::PairText text(rt::fuzz::character_stream(text_bytes));
  std::vector<std::string> timecode_lines = cut.timecode_lines;
  rt::drop_utf8_mark(timecode_lines.front());

  std::string expected_output;
  std::string expected_console;
  rt::RetimeSink sink;
  sink.print_line = [&](const std::string& line) { expected_console += line + "\n"; };
  sink.write_entry = [&](const rt::CueEntry& entry) {
    expected_output += std::string(entry.number_line) + "\r\n" + std::string(entry.timecode_line) + "\r\n" +
                       rt::cue_text_as_written(text.bytes_of(entry.first, entry.cut)) + "\r\n\r\n";
  };
  sink.close_all = [] {};
  rt::RetimeOptions options;
  options.max_passes = rt::fuzz::kFuzzMaxPasses;
  std::string expected_number_line = rt::number_line();
  const rt::RetimeOutcome outcome =
      rt::retime_text(text.searched(), timecode_lines, expected_number_line, sink, options);
  if (outcome.failed && outcome.passes >= rt::fuzz::kFuzzMaxPasses) return 0;

  const std::string& directory = rt::fuzz::scratch_directory();
  const std::string text_path = directory + "/pair.txt";
  const std::string timecode_path = directory + "/pair.srt";
  const std::string output_path = directory + "/pair.src";
  rt::fuzz::write_file(text_path, text_bytes);
  rt::fuzz::write_file(timecode_path, timecode_bytes);
  // A failed pair leaves the output as the input before left it (an empty
  // file where there was none).
  if (outcome.failed) {
    expected_output = rt::fuzz::path_exists(output_path) ? rt::fuzz::read_file(output_path) : std::string();
  }
  require(::ftruncate(kConsole, 0) == 0 && ::lseek(kConsole, 0, SEEK_SET) == 0, "the console file is emptied");

  require(rt::open_input(text_path, rt::kTextFile) == 0 && rt::open_input(timecode_path, rt::kTimecodeFile) == 0 &&
              rt::open_output(output_path, rt::kOutputFile) == 0,
          "the pair's files open");
  const rt::PairResult result = rt::retime_pair();

  const std::string case_shown = shown(input, 400);
  require(result.written() == !outcome.failed, "the pair is written exactly when the search settles", case_shown);
  require(result.written() || result.failure != rt::PairFailure::output_not_written,
          "a failed search is told as the search's failure, not the output's", case_shown);
  require(rt::free_file_number() == 1, "retime_pair closes every file", case_shown);
  const std::string output = rt::fuzz::read_file(output_path);
  require(output == expected_output, "the output file holds the search's entries",
          case_shown + "\noutput " + shown(output, 400) + "\nexpected " + shown(expected_output, 400));
  require(rt::fuzz::read_file(console_path()) == expected_console, "the console shows the search's lines",
          case_shown);
  require(rt::number_line() == expected_number_line, "the number line is carried over as the search leaves it",
          case_shown);
  return 0;
}
