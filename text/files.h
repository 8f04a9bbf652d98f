// Numbered files: slots 1 to 255, each free or holding one file open for
// input (read as text) or output (written as bytes). Number 0 stands for the
// console. The table is process-wide.
//
// Input files are read as a character stream: every CR LF of the file
// becomes one LF, and the first 0x1A byte ends the stream. Output files get
// the bytes as given; write_line ends each line with CR LF.
//
// Every output file is saved whole: the file under its name is the old one
// until the new one is complete.
//
// Nothing here prints, and nothing throws except std::bad_alloc when a line
// or text read whole does not fit in memory (read_line, read_chars,
// read_all). Operations on a number that holds no file
// (free, or outside 1..255) have fixed results: read_line leaves its
// variable alone, at_end is true, read_chars/read_all give "", file_length
// gives 0, and rewind, write_line and close_file do nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/atomic_save.h"

namespace rt {

// Lowest free number from 1 to 255; 0 when all are in use.
int free_file_number();

// Opens the existing regular file at path for reading under number n.
// Returns 0 on success, 1 when n is outside 1..255 or in use, 2 when the file
// cannot be opened for reading (missing, a directory, unreadable, or not a
// regular file: named pipes, sockets and devices are refused without ever
// blocking). On failure n keeps its former state.
int open_input(const std::string& path, int n);

// open_input for a reader that looks only at the beginning of a file: the
// character stream ends after the file's first byte_budget bytes, so the
// reader costs no more than that whatever the file holds (a sparse
// terabyte, gigabytes without a line end). A line that this bound cuts
// (no LF before it while the file goes on) is not delivered: read_line
// and read_short_line give the empty text for it, as past the end, since
// its beginning could pass for a short line it is not. rewind starts the
// bounded stream again.
int open_input_bounded(const std::string& path, int n, std::int64_t byte_budget);

// The result of opening an output: code as open_input gives it (0, 1 or
// 2), and for 2 where the save could not begin and why. It stands for its
// code wherever a number is wanted.
struct OpenResult {
  int code = 0;
  SaveResult save;
  operator int() const { return code; }
};

// Opens a new output file for path under number n. Its bytes are saved
// whole (text/atomic_save.h): they go to a temporary file beside path
// (output_temporary_names), and the file takes path's place, replacing
// whatever regular file is there, only when it is closed; until then, and
// for good when the process dies first, path keeps its old file or none.
// Codes as open_input; 2, with nothing made, when path is taken by
// anything but a regular file, is protected from writing, or no temporary
// file can be made beside it (save says which). Once a write of the file
// has failed, nothing more is written to it.
OpenResult open_output(const std::string& path, int n);

// open_output with the given rules and the one temporary file
// temporary_path, which the rules' wait_ms may wait for while another run
// holds it (the settings file's rewrite takes turns this way).
OpenResult open_save(const std::string& path, int n, const std::string& temporary_path,
                     const SaveRules& rules);

// Writes out what is buffered, closes the file and frees n; an output file
// takes its place as close_output(n) puts it (which also tells whether that
// worked).
void close_file(int n);

// close_file for an output file that must be complete or nothing: saved
// when n held an output file, keep is true, every byte written to it
// reached the file, and it took its place. Otherwise it fails at the first
// step that went wrong (writing: a write that failed, with the system's
// reason: no space, an I/O error, a file-size limit; or a loss reported by
// the system; given_up for keep false; placing for a file that could not
// be put in place; not_open when n held no output file), and the path
// keeps its old file as it was or, for an output opened by open_output
// where there was none, gets an empty file; an input file under n is
// closed as close_file does.
SaveResult close_output(int n, bool keep = true);

// From now on the process ends without finishing its open files: when the
// process exits, no output still open takes its place and no file is
// touched (a temporary file stays for the next run to remove). For a run
// ended from outside on a thread of its own (the Windows console's Ctrl-C
// and close events), whose exit handlers may run while the main flow was
// cut off anywhere. Only sets a flag, so it is safe there and in a signal
// handler.
void leave_open_files_at_exit();

// close_file for every number 1..255.
void close_all();

// Replaces line with the next line of file n: the characters up to the next
// LF, without that LF and without one CR right before it; a last line that
// has no LF loses any NUL bytes at its very end. Past the end: "".
void read_line(int n, std::string& line);

// read_line for a caller that only looks at short lines: the line exactly as
// read_line gives it when that has at most max_length characters, otherwise
// its first max_length + 1 characters. The whole line is consumed either
// way, but at most max_length + 1 characters are kept, so a line of any
// length (a binary file without LF bytes) costs no more memory than that.
void read_short_line(int n, std::string& line, std::size_t max_length);

// True when no character of the stream is left to read (or n holds no file).
bool at_end(int n);

// Sets the reading position of file n back to its first byte.
void rewind(int n);

// Size in bytes of file n as stored, before translation; 0 for no file.
std::int64_t file_length(int n);

// The next count characters of the stream, or fewer when it ends first.
std::string read_chars(int n, std::int64_t count);

// read_chars(n, file_length(n)): on a freshly opened file the whole stream.
std::string read_all(int n);

// Writes the bytes of t and CR LF to file n; with n == 0 it is print_line.
void write_line(int n, std::string_view t);

}  // namespace rt
