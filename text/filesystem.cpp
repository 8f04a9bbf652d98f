// The portable operations of the door to the file system: the listing's
// rules (mask, which names count) and the program's directory are written
// here once for every platform.
#include "text/filesystem.h"

#include <algorithm>

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

std::optional<std::string> small_file_bytes(const std::string& path, std::size_t most) {
  const native::FileHandle file = native::open_file_for_reading(path);
  if (file == native::kNoFileHandle) return std::nullopt;
  // The room grows as the file turns out longer; one byte more than
  // allowed tells a file that is too long.
  std::string bytes(std::min<std::size_t>(most + 1, 4096), '\0');
  std::size_t got = 0;
  std::int64_t last = 0;
  while ((last = native::read_file(file, &bytes[got], bytes.size() - got)) > 0) {
    got += static_cast<std::size_t>(last);
    if (got == bytes.size()) {
      if (got > most) break;
      bytes.resize(std::min(2 * got, most + 1));
    }
  }
  native::close_file_handle(file);
  if (last < 0 || got > most) return std::nullopt;
  bytes.resize(got);
  return bytes;
}

bool file_writable(const std::string& path) { return !native::write_refusal(path).failed(); }

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

bool entry_present(const std::string& path) {
  return native::look_at_target(path).kind != native::TargetKind::missing;
}

std::string program_directory() {
  return directory_of(native::program_file_path().value_or(""), native::native_separator());
}

}  // namespace rt
