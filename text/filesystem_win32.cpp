// The Windows directory listing beneath the file system operations: the
// listing calls of text/native_files.h over FindFirstFileW/FindNextFileW,
// the pattern converted from the ANSI code page (in the long form when it
// is long) and the names back into it (text/wide_paths_win32.h).
#include <windows.h>

#include <optional>
#include <string>

#include "text/device_names.h"
#include "text/native_files.h"
#include "text/wide_paths_win32.h"

namespace rt {
namespace native {
namespace {

// One listing at a time, as the program makes them.
HANDLE listing = INVALID_HANDLE_VALUE;
std::wstring listed_folder;  // with its trailing separator, or ""

// The folder part of pattern, up to and with its last separator.
std::wstring folder_of(const std::wstring& pattern) {
  const std::size_t separator = pattern.find_last_of(L"\\/");
  return separator == std::wstring::npos ? L"" : pattern.substr(0, separator + 1);
}

// The entry as the listing gives it, when it gives it: a folder or a file
// on disk, not a device name, with a name the code page holds exactly (a
// "?" or a look-alike could not be opened again, or would name another
// file), and, for a link, one whose target exists, with the attributes of
// that target (a link to a folder is a folder, as on POSIX). A dangling
// link has its own attributes on Windows and is looked through here; wine
// already leaves a dangling link of the Unix side out.
bool listed(const WIN32_FIND_DATAW& found, DirectoryEntry& entry) {
  const std::optional<std::string> name = code_page_text(found.cFileName);
  if (!name) return false;
  if (*name != "." && *name != ".." && is_reserved_device_name(*name, GetACP())) return false;
  DWORD attributes = found.dwFileAttributes;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    attributes = followed_attributes(system_form(listed_folder + found.cFileName));
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return false;
  entry.name = *name;
  entry.attributes = attributes;
  return true;
}

}  // namespace

bool start_listing(const std::string& pattern, DirectoryEntry& first) {
  end_listing();
  const std::optional<std::wstring> wide = wide_path(pattern);
  if (!wide) return false;
  WIN32_FIND_DATAW found;
  listing = FindFirstFileW(wide->c_str(), &found);
  if (listing == INVALID_HANDLE_VALUE) return false;
  listed_folder = folder_of(*wide);
  if (listed(found, first)) return true;
  return next_listing_entry(first);
}

bool next_listing_entry(DirectoryEntry& entry) {
  if (listing == INVALID_HANDLE_VALUE) return false;
  WIN32_FIND_DATAW found;
  while (FindNextFileW(listing, &found)) {
    if (listed(found, entry)) return true;
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
