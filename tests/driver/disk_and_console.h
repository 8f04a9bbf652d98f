// Test support for the driver: scratch directories on the real disk, whole
// files written and read as bytes, and the console transcript taken from
// file descriptor 1 while a piece of the driver runs.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "tests/text/temp_directory.h"
#include "text/console_print.h"

namespace rt::test_support {

// The line end print_line writes: "\n" on POSIX, which a terminal shows as
// CR LF; "\r\n" on Windows.
inline const std::string eol = rt::console_line_end();

using ScratchDirectory = rt::TempDirectory;
using rt::console_transcript;
using rt::read_bytes;
using rt::write_bytes;

inline void copy_into(const std::string& source, const std::string& target) {
  std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
}

// Lines joined with the console's line end, each ended by it.
inline std::string console_lines(std::initializer_list<std::string> lines) {
  std::string joined;
  for (const std::string& line : lines) joined += line + eol;
  return joined;
}

// The console block of one timecode file: its head, then either the line
// for a missing text file or the output name and " Lade Text...".
inline std::string block_head(int number, const std::string& timecode_name,
                              const std::string& text_name) {
  return console_lines({"", " " + std::to_string(number) + ". Objekt", " Timecode: " + timecode_name,
                        "     Text: " + text_name});
}

inline std::string skipped_block(int number, const std::string& timecode_name) {
  return block_head(number, timecode_name, "") + console_lines({" Keine passende Textdatei"});
}

inline std::string paired_block(int number, const std::string& timecode_name,
                                const std::string& text_name, const std::string& output_name) {
  return block_head(number, timecode_name, text_name) +
         console_lines({"  Ausgabe: " + output_name, " Lade Text..."});
}

// " Fehler" and the line with its reason.
inline std::string failure_lines(const std::string& reason) {
  return console_lines({" Fehler", "    Grund: " + reason});
}

// The block of a pair that is not run (its output name was used before in
// the run, by the pair of block earlier): up to the output name, then
// " Fehler" and why.
inline std::string refused_block(int number, const std::string& timecode_name,
                                 const std::string& text_name, const std::string& output_name, int earlier) {
  return block_head(number, timecode_name, text_name) + console_lines({"  Ausgabe: " + output_name}) +
         failure_lines("Ausgabename schon von Objekt " + std::to_string(earlier) + " verwendet");
}

// What the engine prints for a pair it finishes, and for one it gives up,
// with the reason the pair's steps print after it.
inline const std::string engine_done = console_lines({" Berechne Korrekturfaktor..."});
inline std::string engine_failed(const std::string& reason) {
  return console_lines({" Berechne Korrekturfaktor..."}) + failure_lines(reason);
}

}  // namespace rt::test_support
