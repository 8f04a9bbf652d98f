// Saving a file whole over the native layer: which temporary names a save
// tries and how long it waits for one, and what a finished or failed save
// leaves under the target's name.
#include "text/atomic_save.h"

#include <chrono>
#include <thread>

#include "text/native_files.h"
#include "text/native_folders.h"

namespace rt {
namespace {

// An output may be written by this many runs at once (each through a name
// of its own); a ninth finds every name held and fails its pair.
constexpr int kOutputTemporaryNames = 8;
const std::string kOutputTemporaryEnding = ".rettmp";
// A save waiting for a held name looks again this often.
constexpr int kWaitStepMs = 20;

// Makes the first of names that can be made, after removing every leftover
// of a killed run among them (all of them, so that none stays behind even
// when an earlier name turns out free). all_held tells, on failure,
// whether every name was held, which waiting may change, as opposed to a
// folder that takes no file at all.
bool create_temporary(const std::vector<std::string>& names, Save& save, bool& all_held) {
  all_held = true;
  for (const std::string& name : names) native::remove_if_abandoned(name);
  for (const std::string& name : names) {
    bool taken = false;
    const native::FileHandle file = native::create_held_file(name, taken);
    if (file != native::kNoFileHandle) {
      save.file = file;
      save.temporary = name;
      return true;
    }
    if (!taken) {
      all_held = false;
      return false;
    }
  }
  return false;
}

void abandon(Save& save) {
  native::discard_held_file(save.file, save.temporary);
  save.file = native::kNoFileHandle;
}

}  // namespace

std::vector<std::string> output_temporary_names(const std::string& target) {
  static_assert(kOutputTemporaryNames <= 10, "one digit");
  const std::string stem = native::name_cut_to_fit(target, kOutputTemporaryEnding.size() + 1);
  std::vector<std::string> names;
  for (int i = 0; i < kOutputTemporaryNames; ++i) {
    names.push_back(stem + kOutputTemporaryEnding + std::to_string(i));
  }
  return names;
}

bool begin_save(const std::string& target, const std::vector<std::string>& temporary_names,
                const SaveRules& rules, Save& save) {
  const native::TargetKind kind = native::target_kind(target);
  if (kind == native::TargetKind::other) return false;
  if (rules.create_only && kind != native::TargetKind::missing) return false;
  if (kind == native::TargetKind::file && !native::file_writable(target)) return false;
  int waited_ms = 0;
  for (;;) {
    bool all_held = false;
    if (create_temporary(temporary_names, save, all_held)) {
      save.target = target;
      save.rules = rules;
      return true;
    }
    if (!all_held || waited_ms >= rules.wait_ms) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kWaitStepMs));
    waited_ms += kWaitStepMs;
  }
}

bool finish_save(Save& save, bool complete) {
  if (save.file == native::kNoFileHandle) return false;
  // Attributes are taken only now: the old file may have changed while the
  // new one was written, and a target that is no longer a regular file is
  // left alone.
  bool placed = false;
  if (complete) {
    placed = native::take_attributes(save.file, save.target) &&
             (!save.rules.synced || native::sync_file(save.file)) &&
             native::place_held_file(save.file, save.temporary, save.target, !save.rules.create_only) == 0;
  } else if (save.rules.empty_file_on_failure) {
    // A failed save never replaces a file: the empty file takes the name
    // only while no entry has it.
    placed = native::empty_file(save.file) && native::take_attributes(save.file, save.target) &&
             native::place_held_file(save.file, save.temporary, save.target, false) == 0;
  }
  if (!placed) {
    abandon(save);
    return false;
  }
  if (save.rules.synced) native::sync_folder_of(save.target);
  // Closed only after the rename: until then the file stays held, so no
  // other run takes it for a leftover in between.
  native::close_file_handle(save.file);
  save.file = native::kNoFileHandle;
  return complete;
}

}  // namespace rt
