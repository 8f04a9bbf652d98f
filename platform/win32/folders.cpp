// Folders and names on Windows: the listing over FindFirstFileW and
// FindNextFileW, the program's own path and its command line; paths and
// names cross to the wide calls through platform/win32/wide_paths.h.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/folders.h"
#include "platform/shared/device_names.h"
#include "platform/shared/path_forms.h"
#include "platform/win32/error_numbers.h"
#include "platform/win32/wide_paths.h"

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

void end_listing() {
  if (listing != INVALID_HANDLE_VALUE) FindClose(listing);
  listing = INVALID_HANDLE_VALUE;
  listed_folder.clear();
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


bool remove_file(const std::string& path) {
  const std::optional<std::wstring> wide = file_path(path);
  return wide && DeleteFileW(wide->c_str()) != 0;
}

// No call syncs a folder: NTFS keeps a rename whole through its journal,
// and the renames by path are written through (MOVEFILE_WRITE_THROUGH).
void sync_folder_of(const std::string&) {}

// A folder's access rules come from its parent on Windows.
void make_directory(const std::string& path, bool) {
  const std::optional<std::wstring> wide = file_path(path);
  if (wide) CreateDirectoryW(wide->c_str(), nullptr);
}

std::optional<std::string> final_file(const std::string& path) {
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide) return std::nullopt;
  const DWORD attributes = GetFileAttributesW(wide->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return path;
  const HANDLE handle = CreateFileW(wide->c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::wstring final_path(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle, &final_path[0], static_cast<DWORD>(final_path.size()),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length >= final_path.size()) {
    final_path.resize(length + 1);
    length = GetFinalPathNameByHandleW(handle, &final_path[0], static_cast<DWORD>(final_path.size()),
                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  }
  CloseHandle(handle);
  if (length == 0 || length >= final_path.size()) return std::nullopt;
  final_path.resize(length);
  // The system gives the long form; the file calls here add it back where
  // the path needs it. A target the code page cannot name even by its
  // short name names nothing: a rewrite through it fails and leaves the
  // link and its file alone.
  return named_in_code_page(final_path);
}

EntryKind entry_kind(const std::string& path) {
  if (path.find('\0') != std::string::npos || path.empty()) return EntryKind::missing;
  if (!names_a_file(path)) return EntryKind::other;  // a device name or a pipe
  const std::optional<std::wstring> wide = wide_path(path);
  if (!wide) return EntryKind::missing;
  const DWORD attributes = followed_attributes(*wide);
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::missing;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EntryKind::other;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::directory;
  return EntryKind::file;
}

std::optional<std::string> absolute_path(const std::string& path) {
  // Resolved from the path as given: GetFullPathNameW takes any length.
  const std::optional<std::wstring> given = wide_text(path);
  if (!given || given->empty()) return std::nullopt;
  std::wstring full = full_path_of(*given);
  if (full.empty()) return std::nullopt;
  // "C:\subs\" names the folder "C:\subs"; only a root keeps its separator.
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/') &&
         full[full.size() - 2] != L':') {
    full.pop_back();
  }
  // The entry exists (the callers have looked): a name the code page cannot
  // hold is given by its short form, or not at all.
  return code_page_path(without_long_path_prefix(full));
}

Target look_at_target(const std::string& path) {
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide) return {TargetKind::unknown, refusal(FileErrorKind::unnamable)};
  const DWORD attributes = GetFileAttributesW(wide->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD number = GetLastError();
    if (number == ERROR_FILE_NOT_FOUND) return {TargetKind::missing, {}};
    // A folder on the way that is missing or a file; the system says
    // "path not found" for both, so the folder itself is looked at.
    if (number == ERROR_PATH_NOT_FOUND) {
      const std::size_t separator = wide->find_last_of(L"\\/");
      const DWORD folder = separator == std::wstring::npos ? INVALID_FILE_ATTRIBUTES
                                                           : GetFileAttributesW(wide->substr(0, separator).c_str());
      if (folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY) == 0) number = ERROR_DIRECTORY;
    }
    if (number == ERROR_PATH_NOT_FOUND || number == ERROR_DIRECTORY) {
      return {TargetKind::no_folder, file_error_of(number)};
    }
    return {TargetKind::unknown, file_error_of(number)};
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return {TargetKind::link, {}};
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {TargetKind::folder, {}};
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return {TargetKind::special, {}};
  return {TargetKind::file, {}};
}

namespace {

// GetModuleFileNameW gives no more than a path of this many characters can
// hold; a long path can have up to about 32,767.
constexpr DWORD kFirstModulePathSize = MAX_PATH;
constexpr DWORD kLongestModulePath = 1u << 16;

}  // namespace

// Argument 0 as the command line holds it, by the rule the C runtime uses
// for it (text/paths.h); nothing when the code page cannot hold it (its
// look-alike could name another file).
std::optional<std::string> executable_path() {
  const wchar_t* line = GetCommandLineW();
  if (line == nullptr) return std::string();
  return code_page_text(program_path_of_command_line(std::wstring(line)));
}

// The C runtime's argv went through the ANSI code page with look-alikes
// ("Łódź" as "Lodz", which can name another folder); the words are taken
// from the UTF-16 command line instead, and one the code page cannot hold
// exactly is marked, for the caller to refuse.
std::vector<CommandWord> command_arguments(int, char**) {
  std::vector<CommandWord> words;
  const wchar_t* line = GetCommandLineW();
  if (line == nullptr) return words;
  const std::vector<std::wstring> wide_words = command_line_words(std::wstring(line));
  for (std::size_t i = 1; i < wide_words.size(); ++i) {
    const std::optional<std::string> bytes = code_page_text(wide_words[i]);
    words.push_back(bytes ? CommandWord{*bytes, true} : CommandWord{code_page_text_marked(wide_words[i]), false});
  }
  return words;
}

namespace {

// A name as the system keeps it: without the dots and blanks at its end.
std::string without_trailing_dots_and_blanks(std::string name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return name;
}

}  // namespace

// NTFS and FAT compare names by their letters' upper case (the ordinal
// comparison that ignores case is the system's own table for it).
bool same_entry_name(const std::string& a, const std::string& b) {
  const std::string x = without_trailing_dots_and_blanks(a);
  const std::string y = without_trailing_dots_and_blanks(b);
  if (x == y) return true;
  const std::optional<std::wstring> wide_x = wide_text(x);
  const std::optional<std::wstring> wide_y = wide_text(y);
  if (!wide_x || !wide_y || !fits_an_int(wide_x->size()) || !fits_an_int(wide_y->size())) return false;
  return CompareStringOrdinal(wide_x->data(), static_cast<int>(wide_x->size()), wide_y->data(),
                              static_cast<int>(wide_y->size()), TRUE) == CSTR_EQUAL;
}

// A folder that the code page cannot name is given by its short name, or
// else as a path that names nothing (named_in_code_page).
std::optional<std::string> program_file_path() {
  // The buffer grows until the path fits: the result is cut short (and
  // fills the buffer) when it does not.
  for (DWORD size = kFirstModulePathSize; size <= kLongestModulePath; size *= 2) {
    std::wstring path(size, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], size);
    if (length == 0) return std::nullopt;
    if (length < size) {
      path.resize(length);
      return named_in_code_page(path);
    }
  }
  return std::nullopt;
}

char native_separator() { return '\\'; }

}  // namespace native
}  // namespace rt
