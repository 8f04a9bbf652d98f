// What the fuzz targets share: stopping with a message when a property
// fails (libFuzzer then keeps the input as a crash), a scratch directory for
// the targets that work on real files, and a plain model of how a file reads
// as text, to hold the numbered files against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rt::fuzz {

// The input as a byte string (NUL bytes included).
std::string input_text(const std::uint8_t* data, std::size_t size);

// Prints the property that failed (and the detail, if any) and aborts, so
// the fuzzer records the input.
[[noreturn]] void fail(const char* property, const std::string& detail = std::string());

// fail unless holds. The detail is made whether or not it is needed: in
// loops, test first and call fail.
inline void require(bool holds, const char* property, const std::string& detail = std::string()) {
  if (!holds) fail(property, detail);
}

// The bytes shown readably for a failure message: printable ASCII as is,
// everything else as \xNN; cut after limit bytes.
std::string shown(const std::string& bytes, std::size_t limit = 200);

// A directory of this process's own, made on first use under $TMPDIR, else
// /dev/shm, else /tmp, and removed with its files when the process exits.
const std::string& scratch_directory();

// Plain byte access to files, beside the numbered files under test.
void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);
bool path_exists(const std::string& path);
// The names in a directory, "." and ".." left out, sorted.
std::vector<std::string> directory_entries(const std::string& directory);
// Removes every file in the directory (no subdirectories are made here).
void empty_directory(const std::string& directory);

// The character stream of a file holding bytes: everything before the first
// 0x1A byte, with each CR LF pair turned into one LF.
std::string character_stream(const std::string& bytes);

// One line as read_line takes it from a stream, and where it left the
// reading position (the offset in the stream just past the line and its LF).
struct StreamLine {
  std::string text;
  std::size_t next = 0;
};

// The lines read_line gives, from the start of the stream until at_end turns
// true: the characters up to each LF without that LF and without one CR
// right before it; a last piece without LF loses its NUL bytes at the end.
// An empty stream gives no line.
std::vector<StreamLine> stream_lines(const std::string& stream);

// The same lines as plain texts.
std::vector<std::string> line_texts(const std::vector<StreamLine>& lines);

}  // namespace rt::fuzz
