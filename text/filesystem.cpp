// The file system and the process over the native layer: the listing's
// rules (mask, which names count) and the program's directory are written
// here once for every platform.
#include "text/filesystem.h"

#include "platform/files.h"
#include "platform/folders.h"
#include "text/paths.h"

namespace rt {

namespace {

// The effective mask of the listing in progress; no listing is in progress
// when listing_active is false.
bool listing_active = false;
std::uint32_t listing_mask = 0;

// Directories are never listed, whatever the mask: the program lists files.
bool wanted(const native::DirectoryEntry& entry) {
  return (entry.attributes & kAttributeDirectory) == 0 && listable_name(entry.name) &&
         admitted(entry.attributes, listing_mask);
}

// The first wanted name from entry (already fetched, when have_entry) on.
std::string next_wanted(native::DirectoryEntry& entry, bool have_entry) {
  while (have_entry) {
    if (wanted(entry)) return entry.name;
    have_entry = native::next_listing_entry(entry);
  }
  listing_active = false;
  return "";
}

}  // namespace

bool file_exists(const std::string& path) {
  const native::FileHandle file = native::open_file_for_reading(path);
  if (file == native::kNoFileHandle) return false;
  native::close_file_handle(file);
  return true;
}

bool file_writable(const std::string& path) { return !native::write_refusal(path).failed(); }

std::string final_file(const std::string& path) { return native::final_file(path); }

int remove_file(const std::string& path) { return native::remove_file(path); }

int rename_file(const std::string& old_path, const std::string& new_path) {
  return native::rename_file(old_path, new_path);
}

int replace_file(const std::string& old_path, const std::string& new_path) {
  if (native::replace_file(old_path, new_path) != 0) return 1;
  native::sync_folder_of(new_path);
  return 0;
}

void make_directory(const std::string& path) { native::make_directory(path, false); }

void make_private_directory(const std::string& path) { native::make_directory(path, true); }

std::string list_directory(const std::string& pattern, std::uint32_t mask) {
  native::DirectoryEntry entry;
  if (pattern.empty()) {
    if (!listing_active) return "";
    return next_wanted(entry, native::next_listing_entry(entry));
  }
  listing_mask = effective_mask(mask);
  listing_active = true;
  return next_wanted(entry, native::start_listing(pattern, entry));
}

std::vector<CommandWord> command_arguments(int argc, char** argv) {
  return native::command_arguments(argc, argv);
}

bool same_entry_name(const std::string& a, const std::string& b) { return native::same_entry_name(a, b); }

bool entry_present(const std::string& path) {
  return native::look_at_target(path).kind != native::TargetKind::missing;
}

std::optional<std::string> executable_path() { return native::executable_path(); }

std::string program_directory() {
  return directory_of(native::program_file_path(), native::native_separator());
}

EntryKind entry_kind(const std::string& path) { return native::entry_kind(path); }

std::string absolute_path(const std::string& path) { return native::absolute_path(path); }

}  // namespace rt
