// The directory scan: sorts the files of the working directory into timecode
// files, recognised by their first lines, and text files, recognised by the
// ending ".txt". Prints nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/timecode_line.h"

namespace rt {

// An ordered list of bare file names. Position 0 always holds the empty name,
// so positions of real entries count from 1 and a list with no entries has
// size 1. Names are appended, never removed or reordered.
using NameList = std::vector<std::string>;

// A file that looks like a subtitle file but is not read as a timecode
// file, and why (driver/skipped_files.h).
struct SkippedFile {
  std::string name;
  std::string reason;
};

struct FileLists {
  NameList timecode_files{std::string()};
  NameList text_files{std::string()};
  std::vector<SkippedFile> skipped;  // in the order of the listing
};

// Number of real entries of a list (its highest position).
int entry_count(const NameList& list);

// The probe makes at most this many tries, each of one line, or two when the
// first is a number line.
constexpr int kProbeTries = 10;

// The probe reads no more than this many bytes of a file (64 KiB). Its ten
// tries examine at most twenty lines, which in real subtitle files (cue
// numbers, timecodes, a line or two of text each) take a few hundred bytes
// to a few kilobytes; 64 KiB leaves room for lines far longer, while a
// file of any size (a sparse terabyte, a disk image without a line end)
// costs the scan no more than this. Lines past the bound are not
// examined, nor one that the bound cuts.
constexpr std::int64_t kProbeBytes = 64 * 1024;

// File number the probe opens each candidate under (closed again before it
// returns).
constexpr int kProbeFileNumber = 1;

// Lists "*.*" in working_directory (every entry that is not a directory,
// without descending), puts the names in the order of listed_before, and
// classifies each name: lower-cased last four characters ".txt" -> text file
// (never probed); otherwise a file for which is_timecode_file says yes ->
// timecode file; a file that looks like a subtitle file all the same ->
// skipped, with its reason; anything else is dropped. A missing or empty
// directory gives empty lists.
FileLists scan_directory(const std::string& working_directory);

// The order of a run: names compared byte by byte with the letters a to z
// taken as A to Z, as the system's own platform (NTFS) lists them, and names
// equal that way by their plain bytes, so that the order is the same on
// every platform and for every way a folder was filled.
bool listed_before(const std::string& a, const std::string& b);

// What the probe saw of a file, for telling why it is no timecode file.
struct ProbedLines {
  bool opened = false;
  bool empty = false;  // the file holds no character at all
  std::vector<std::string> lines;  // as judged: a UTF-8 mark dropped, cut after 65 characters
};

// True when, within ten tries, a number line is directly followed by a line
// of exactly the timecode shape, both within the file's first kProbeBytes
// bytes; a UTF-8 byte-order mark is no part of the first line. A file that
// cannot be opened is no timecode file. Uses file number 1 and leaves it
// free. Lines are judged by their first characters only, so a huge line
// costs no more memory than a short one. With probed, the lines read go
// there.
bool is_timecode_file(const std::string& path, ProbedLines* probed = nullptr);

}  // namespace rt
