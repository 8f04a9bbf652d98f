// Saving a file whole over the native layer: which temporary names a save
// tries and how long it waits for one, and what a finished or failed save
// leaves under the target's name.
#include "text/atomic_save.h"

#include <chrono>
#include <thread>

#include "text/filesystem.h"

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
// when an earlier name turns out free). On failure error says why: in_use
// when every name was held, which waiting may change, as opposed to a
// folder that takes no file at all.
bool create_temporary(const std::vector<std::string>& names, Save& save, FileError& error) {
  remove_abandoned(names);
  for (const std::string& name : names) {
    const HeldFile held = create_held_file(name);
    error = held.error;
    if (held.file != kNoFileHandle) {
      save.file = held.file;
      save.temporary = name;
      return true;
    }
    if (error.kind != FileErrorKind::exists && error.kind != FileErrorKind::in_use) return false;
  }
  error = refusal(FileErrorKind::in_use);
  return false;
}

// Why a save never replaces what look_at_target found, or never writes
// where it is; none for nothing or a regular file.
SaveResult refused_target(const Target& target) {
  switch (target.kind) {
    case TargetKind::missing:
    case TargetKind::file:
      return {};
    case TargetKind::folder:
      return {SaveStep::target, refusal(FileErrorKind::is_folder)};
    case TargetKind::link:
      return {SaveStep::target, refusal(FileErrorKind::is_link)};
    case TargetKind::special:
      return {SaveStep::target, refusal(FileErrorKind::not_a_file)};
    case TargetKind::no_folder:
      return {SaveStep::folder, target.error};
    case TargetKind::unknown:
      break;
  }
  return {SaveStep::target, target.error};
}

void abandon(Save& save) {
  discard_held_file(save.file, save.temporary);
  save.file = kNoFileHandle;
}

}  // namespace

std::vector<std::string> output_temporary_names(const std::string& target) {
  static_assert(kOutputTemporaryNames <= 10, "one digit");
  const std::string stem = name_cut_to_fit(target, kOutputTemporaryEnding.size() + 1);
  std::vector<std::string> names;
  for (int i = 0; i < kOutputTemporaryNames; ++i) {
    names.push_back(stem + kOutputTemporaryEnding + std::to_string(i));
  }
  return names;
}

SaveResult begin_save(const std::string& target, const std::vector<std::string>& temporary_names,
                      const SaveRules& rules, Save& save) {
  const Target found = look_at_target(target);
  const SaveResult refused = refused_target(found);
  if (!refused.saved()) return refused;
  if (rules.create_only && found.kind != TargetKind::missing) {
    return {SaveStep::target, refusal(FileErrorKind::exists)};
  }
  if (found.kind == TargetKind::file) {
    const FileError protection = write_refusal(target);
    if (protection.failed()) return {SaveStep::target, protection};
  }
  int waited_ms = 0;
  for (;;) {
    FileError error;
    if (create_temporary(temporary_names, save, error)) {
      save.target = target;
      save.rules = rules;
      return {};
    }
    if (error.kind != FileErrorKind::in_use || waited_ms >= rules.wait_ms) return {SaveStep::temporary, error};
    std::this_thread::sleep_for(std::chrono::milliseconds(kWaitStepMs));
    waited_ms += kWaitStepMs;
  }
}

SaveResult finish_save(Save& save, bool complete) {
  if (save.file == kNoFileHandle) return {SaveStep::not_open, {}};
  // Attributes are taken only now: the old file may have changed while the
  // new one was written, and a target that is no longer a regular file is
  // left alone.
  SaveResult result{SaveStep::given_up, {}};
  bool placed = false;
  if (complete) {
    FileError error = take_attributes(save.file, save.target);
    if (!error.failed() && save.rules.synced) error = sync_file(save.file);
    if (!error.failed()) {
      error = place_held_file(save.file, save.temporary, save.target, !save.rules.create_only);
    }
    placed = !error.failed();
    result = placed ? SaveResult{} : SaveResult{SaveStep::placing, error};
  } else if (save.rules.empty_file_on_failure) {
    // A failed save never replaces a file: the empty file takes the name
    // only while no entry has it. The save has failed all the same.
    placed = !empty_file(save.file).failed() && !take_attributes(save.file, save.target).failed() &&
             !place_held_file(save.file, save.temporary, save.target, false).failed();
  }
  if (!placed) {
    abandon(save);
    return result;
  }
  if (save.rules.synced) sync_folder_of(save.target);
  // Closed only after the rename: until then the file stays held, so no
  // other run takes it for a leftover in between.
  close_file_handle(save.file);
  save.file = kNoFileHandle;
  return result;
}

}  // namespace rt
