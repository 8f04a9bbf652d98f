// Test support for running the real retime program: a copy of the built
// binary alone in a fresh temporary directory, so that its settings file
// (argument 0 with "ini" for its last three characters: "retini") lands
// there and that directory is the program's own directory. Working
// directories with the worked example's pair are laid out on disk, and the
// texts a whole run prints and stores are spelt out here once.
#pragma once

#include <optional>
#include <string>

#include "tests/driver/disk_and_console.h"

namespace rt::test_support {

// Positive waits (for output, for the end) get this long, so that a loaded
// machine or a sanitizer build does not fail them; a failing test pays it
// once and then kills the program.
constexpr int kRunLimitMs = 30000;

class InstalledProgram {
 public:
  // The copy lies in the scratch directory itself, or in `subfolder` of it
  // (created) when that is not empty.
  explicit InstalledProgram(const std::string& subfolder = "");

  // The scratch directory, with symbolic links resolved, as the program
  // sees its own directory. No component of it is made with a dot.
  const std::string& root() const { return root_; }
  // The folder the copy lies in, and the copy itself.
  const std::string& folder() const { return folder_; }
  std::string binary() const { return folder_ + "/retime"; }
  std::string settings_path() const { return folder_ + "/retini"; }
  // The temporary file of a settings rewrite ("rettmp"), gone after a run.
  std::string settings_rewrite_path() const { return folder_ + "/rettmp"; }

  // The settings file's bytes, nothing when there is none.
  std::optional<std::string> settings() const;
  // A settings file as a finished run with `directory` leaves it.
  void store_settings(const std::string& directory) const;

 private:
  ScratchDirectory scratch_;
  std::string root_;
  std::string folder_;
};

// The file's bytes, nothing when it cannot be read.
std::optional<std::string> file_bytes(const std::string& path);

bool directory_exists(const std::string& path);

// film1.srt and film1.txt of the worked example in directory (made with
// its parents when missing).
void put_worked_pair(const std::string& directory);

// The output file the worked pair gives in directory.
std::string worked_output_path(const std::string& directory);

// The settings file after a complete first run that stored directory:
// an empty line, the two extensions, the directory; each line CR LF.
std::string settings_after_run(const std::string& directory);

// What a run prints after the answer to the prompt, each line ended by
// eol: two line ends, the count line, one block for the worked pair (or
// none), an empty line and "Fertig".
std::string report_with_worked_pair(const std::string& eol);
std::string report_without_timecode_files(const std::string& eol);

}  // namespace rt::test_support
