// The Windows directory listing beneath the file system operations: the
// listing calls of text/native_files.h over FindFirstFileA/FindNextFileA.
#include <windows.h>

#include <string>

#include "text/device_names.h"
#include "text/native_files.h"

namespace rt {
namespace native {
namespace {

// One listing at a time, as the program makes them.
HANDLE listing = INVALID_HANDLE_VALUE;
std::string listed_folder;  // with its trailing separator, or ""

// The folder part of pattern, up to and with its last separator.
std::string folder_of(const std::string& pattern) {
  const std::size_t separator = pattern.find_last_of("\\/");
  return separator == std::string::npos ? "" : pattern.substr(0, separator + 1);
}

// Whether a found entry is one the listing gives: a folder or a file on
// disk, not a device name, and, for a link, one whose target exists (the
// attributes are then those of the link as the system keeps them).
bool is_listed(const WIN32_FIND_DATAA& found) {
  const std::string name = found.cFileName;
  if (name != "." && name != ".." && is_reserved_device_name(name, GetACP())) return false;
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) != 0) return false;
  if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return GetFileAttributesA((listed_folder + name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }
  return true;
}

void give(const WIN32_FIND_DATAA& found, DirectoryEntry& entry) {
  entry.name = found.cFileName;
  entry.attributes = found.dwFileAttributes;
}

}  // namespace

bool start_listing(const std::string& pattern, DirectoryEntry& first) {
  end_listing();
  if (pattern.find('\0') != std::string::npos) return false;
  WIN32_FIND_DATAA found;
  listing = FindFirstFileA(pattern.c_str(), &found);
  if (listing == INVALID_HANDLE_VALUE) return false;
  listed_folder = folder_of(pattern);
  if (is_listed(found)) {
    give(found, first);
    return true;
  }
  return next_listing_entry(first);
}

bool next_listing_entry(DirectoryEntry& entry) {
  if (listing == INVALID_HANDLE_VALUE) return false;
  WIN32_FIND_DATAA found;
  while (FindNextFileA(listing, &found)) {
    if (is_listed(found)) {
      give(found, entry);
      return true;
    }
  }
  end_listing();
  return false;
}

void end_listing() {
  if (listing != INVALID_HANDLE_VALUE) FindClose(listing);
  listing = INVALID_HANDLE_VALUE;
  listed_folder.clear();
}

}  // namespace native
}  // namespace rt
