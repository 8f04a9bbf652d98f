// Reading a numbered input file: read_line, at_end, read_all, read_chars and
// rewind over arbitrary bytes in a real file (inputs run past the 8192-byte
// blocks the files are read in, so CR LF pairs and 0x1A bytes fall on block
// boundaries).
//
// Checks, besides the sanitizers, with the stream being the file's bytes
// before the first 0x1A with every CR LF pair turned into LF:
// - file_length is the file's size; read_all of the fresh file is the
//   stream, as long as the bytes before the first 0x1A (all of them without
//   one) less one per CR LF pair among them, and leaves the file at its end;
// - after rewind, read_line gives the stream's lines one by one: the
//   characters up to each LF without it and without one CR right before
//   it, and a last line without LF without its NUL bytes at the end; at_end
//   is false exactly while characters are left; past the end read_line
//   gives "" and at_end stays true;
// - after rewind and some lines, read_all gives the rest of the stream;
// - after rewind, read_chars in pieces of varying size gives pieces as long
//   as asked (shorter only at the end) that join to the stream;
// - close_file frees the number again.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "text/files.h"

namespace {

using rt::fuzz::fail;
using rt::fuzz::require;
using rt::fuzz::shown;

// The bytes before the first 0x1A, less one for each CR LF pair among them.
std::int64_t stream_length(const std::string& bytes) {
  const std::string kept = bytes.substr(0, bytes.find('\x1A'));
  std::int64_t pairs = 0;
  for (std::size_t at = kept.find("\r\n"); at != std::string::npos; at = kept.find("\r\n", at + 2)) ++pairs;
  return static_cast<std::int64_t>(kept.size()) - pairs;
}

// Piece sizes that vary from call to call, small and large, so pieces end
// anywhere in a block.
std::int64_t next_piece_size(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  const std::uint32_t r = state >> 8;
  return (r & 3) == 0 ? 1 + static_cast<std::int64_t>(r % 9000) : 1 + static_cast<std::int64_t>(r % 40);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = rt::fuzz::input_text(data, size);
  const std::string path = rt::fuzz::scratch_directory() + "/read.txt";
  rt::fuzz::write_file(path, bytes);

  const std::string stream = rt::fuzz::character_stream(bytes);
  const std::vector<rt::fuzz::StreamLine> lines = rt::fuzz::stream_lines(stream);

  const int n = rt::free_file_number();
  require(n == 1, "every file was closed before");
  require(rt::open_input(path, n) == 0, "input file opens", path);
  require(rt::file_length(n) == static_cast<std::int64_t>(size), "file_length is the file's size");

  const std::string all = rt::read_all(n);
  require(all == stream, "read_all gives the character stream", shown(bytes) + "\nread_all " + shown(all));
  require(static_cast<std::int64_t>(all.size()) == stream_length(bytes),
          "read_all is as long as the bytes before the first 0x1A less their CR LF pairs", shown(bytes));
  require(rt::at_end(n), "read_all leaves the file at its end");

  rt::rewind(n);
  require(rt::at_end(n) == stream.empty(), "at_end after rewind says whether the stream is empty");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line = "not read";
    rt::read_line(n, line);
    if (line != lines[i].text) {
      fail("read_line gives the stream's next line", "line " + std::to_string(i + 1) + ": " + shown(line) +
                                                         " instead of " + shown(lines[i].text) + "\nfile " +
                                                         shown(bytes));
    }
    if (rt::at_end(n) != (lines[i].next == stream.size())) {
      fail("at_end tells whether characters are left",
           "after line " + std::to_string(i + 1) + " of file " + shown(bytes));
    }
  }
  for (int past = 0; past < 2; ++past) {
    std::string line = "not read";
    rt::read_line(n, line);
    require(line.empty(), "read_line past the end gives the empty line", shown(bytes));
    require(rt::at_end(n), "at_end stays true past the end");
  }

  rt::rewind(n);
  const std::size_t lines_first = lines.size() / 2;
  std::string line;
  for (std::size_t i = 0; i < lines_first; ++i) rt::read_line(n, line);
  const std::size_t rest_from = lines_first == 0 ? 0 : lines[lines_first - 1].next;
  require(rt::read_all(n) == stream.substr(rest_from), "read_all after some lines gives the rest",
          shown(bytes));

  rt::rewind(n);
  std::uint32_t state = static_cast<std::uint32_t>(size);
  std::string joined;
  while (joined.size() < stream.size()) {
    const std::int64_t asked = next_piece_size(state);
    const std::string piece = rt::read_chars(n, asked);
    const std::size_t left = stream.size() - joined.size();
    if (piece.size() != std::min<std::size_t>(static_cast<std::size_t>(asked), left)) {
      fail("read_chars gives as many characters as asked while there are some", shown(bytes));
    }
    joined += piece;
  }
  require(joined == stream, "pieces of read_chars join to the stream", shown(bytes));
  require(rt::read_chars(n, 1).empty() && rt::at_end(n), "read_chars at the end gives nothing");

  rt::close_file(n);
  require(rt::free_file_number() == 1, "close_file frees the number");
  return 0;
}
