// Numbered files: slots 1 to 255, each free or holding one file open for
// input (read as text) or output (written as bytes). Number 0 stands for the
// console. The table is process-wide.
//
// Input files are read as a character stream: every CR LF of the file
// becomes one LF, and the first 0x1A byte ends the stream. Output files get
// the bytes as given; write_line ends each line with CR LF.
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

namespace rt {

// Lowest free number from 1 to 255; 0 when all are in use.
int free_file_number();

// Opens the existing regular file at path for reading under number n.
// Returns 0 on success, 1 when n is outside 1..255 or in use, 2 when the file
// cannot be opened for reading (missing, a directory, unreadable, or not a
// regular file: named pipes, sockets and devices are refused without ever
// blocking). On failure n keeps its former state.
int open_input(const std::string& path, int n);

// Creates (or empties) the file at path for writing under number n.
// Results as open_input; 2 when the file cannot be created. Once a write of
// the file has failed, nothing more is written to it.
int open_output(const std::string& path, int n);

// Writes out what is buffered, closes the file and frees n. Whether every
// byte reached the file is not told (close_output tells it).
void close_file(int n);

// close_file for an output file that must be complete or nothing: true when
// n held an output file, keep is true, every byte written to it reached the
// file and the close succeeded. Otherwise (a write that failed: no space,
// an I/O error, a file-size limit; a failing close; keep false) the file is
// left empty, as far as the system lets it be emptied, and false is given;
// an input file under n is closed as close_file does, with false.
bool close_output(int n, bool keep = true);

// Writes out what is buffered for output file n and puts its bytes on the
// storage device. True when that succeeded and no write of the file has
// failed so far; false also when n holds no output file.
bool sync_output(int n);

// Empties every output file still open, so that a process ended by a signal
// leaves no output that looks finished. Safe in a signal handler (no
// allocation, no lock, one system call per file): the console's handler of
// fatal signals calls it before the process ends.
void discard_unfinished_outputs();

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
void write_line(int n, const std::string& t);

}  // namespace rt
