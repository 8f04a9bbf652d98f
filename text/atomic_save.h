// Saving a file whole: the one way the program writes a file it makes
// (the outputs and the settings file). Readers, a second run and a run
// killed at any moment see the old file or the new one, never a mix.
//
// The bytes go to a temporary file in the target's own folder, created
// exclusively (never an existing file, a link, a device or another user's
// file; readable by its owner alone while it is written) and held by this
// process for as long as it writes it. When the save is finished the file
// gets the old file's mode (and owner and group, as far as the process may
// set them), is put on the disk where the rules say so, and is renamed over
// the target in one step. A hard-linked or protected target is therefore
// replaced, never written through; a target that is a folder, a link, a
// pipe or a device is never touched.
//
// Holding: a live save's temporary file is held by its process (an advisory
// lock on POSIX, its open handle's sharing on Windows), and nothing but
// its own save ever removes or renames a held file. A temporary file left
// by a killed run is held by nobody; the next save that wants its name
// removes it, but only a regular file of the process's own user, and only
// while holding it itself, so two runs judging the same leftover cannot
// both remove it, let alone a file another run has just made in its place.
// The exclusive creation of a temporary name held this way is the lock the
// settings file's rewrite takes: a second run waits for it briefly.
#pragma once

#include <string>
#include <vector>

#include "text/filesystem.h"

namespace rt {

// What a save does besides writing and renaming.
struct SaveRules {
  // The bytes, then the rename, are put on the storage device before the
  // save counts as done (a power cut then leaves the old file or the new).
  bool synced = false;
  // The file is made only where no entry of the target's name exists: an
  // existing file (or link) is never replaced, and the save then fails.
  bool create_only = false;
  // A save that fails where no entry of the target's name was leaves an
  // empty file there (the outputs: users take it for the sign of the
  // failure). Where a file was, a failed save always leaves it as it was.
  bool empty_file_on_failure = false;
  // How long to wait, in milliseconds, while every temporary name is held
  // by a live save of another run (or of this process).
  int wait_ms = 0;
};

// Where a save failed; the FileError beside it says why.
enum class SaveStep {
  none,       // saved
  folder,     // the folder it goes to cannot be used (missing, no folder, a link of another user)
  target,     // the target's name holds what is never replaced (is_folder, is_link, not_a_file; exists for
              // create_only), a file that may not be written (write_protected, no_permission), or cannot be
              // looked at
  temporary,  // no temporary file could be made beside it (in_use: every name held by a live save)
  writing,    // a write failed, or the system reported a loss (numbered files)
  placing,    // the finished file could not take the target's place (moved_away: its temporary name was
              // taken from it)
  given_up,   // the caller kept none of it
  not_open,   // no output file under the number (numbered files)
};

// How a save, or a step of one, went: saved, or where and why it failed.
struct SaveResult {
  SaveStep failed_at = SaveStep::none;
  FileError error;

  bool saved() const { return failed_at == SaveStep::none; }
  explicit operator bool() const { return saved(); }
};

// A save in progress: the held temporary file its bytes go to.
struct Save {
  FileHandle file = kNoFileHandle;
  std::string target;
  std::string temporary;
  SaveRules rules;
};

// The temporary names an output's save may use, tried in this order: the
// target's name followed by ".rettmp" and one digit, so that the next run
// writing the same output finds what a killed run left, and two runs
// writing it at the same time each get a name of their own. A target name
// too long for that (the file system takes names of 255 bytes or UTF-16
// units) is cut at its end to make room, the same way every time.
std::vector<std::string> output_temporary_names(const std::string& target);

// Starts saving target through the first of temporary_names that can be
// created; temporary names left by killed runs are removed first (as the
// header says). Fails, with nothing made, when the target is there but is
// no regular file or is protected from writing (no write permission at
// all, for root too: a user who took it away meant it), when the folder
// takes no new file, or when every name stays held by a live save for
// longer than rules.wait_ms.
SaveResult begin_save(const std::string& target, const std::vector<std::string>& temporary_names,
                      const SaveRules& rules, Save& save);

// Ends the save. complete says the temporary file holds every byte meant
// for it: it then takes the target's place and true is given when it did.
// Only the file this save wrote is put in place: when its temporary name
// no longer leads to it, the save fails. An incomplete save leaves the old
// file as it was (or, with empty_file_on_failure and no old file, an empty
// file) and fails at given_up (the caller knows why it was incomplete);
// a complete save that could not be put in place fails at placing (the
// temporary file is then removed).
SaveResult finish_save(Save& save, bool complete);

}  // namespace rt
