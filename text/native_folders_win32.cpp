// Folders and names on Windows: the listing over FindFirstFileW and
// FindNextFileW, renames with MoveFileExW, and the conversion of paths and
// names between the ANSI code page and the wide calls (wide_paths_win32.h),
// which the other Windows native files share.
#include <windows.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "text/device_names.h"
#include "text/file_error_win32.h"
#include "text/native_folders.h"
#include "text/paths.h"
#include "text/wide_paths_win32.h"

namespace rt {
namespace native {

namespace {

constexpr char kMissingCharacter[] = "?";

bool fits_an_int(std::size_t size) { return size <= static_cast<std::size_t>(INT_MAX); }

// UTF-16 into code_page with flags; nothing when the system refuses it.
// used_default is told whether a character was replaced by the default
// character (not for UTF-8, which takes no such question).
std::optional<std::string> converted(const std::wstring& text, UINT code_page, DWORD flags,
                                     const char* default_character, BOOL* used_default) {
  if (text.empty()) return std::string();
  if (!fits_an_int(text.size())) return std::nullopt;
  const int units = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(code_page, flags, text.data(), units, nullptr, 0, default_character, used_default);
  if (length <= 0) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(length), '\0');
  if (WideCharToMultiByte(code_page, flags, text.data(), units, &bytes[0], length, default_character,
                          used_default) != length) {
    return std::nullopt;
  }
  return bytes;
}

bool is_high_surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// text with every surrogate that is not half of a pair (NTFS names may hold
// them) as "?": no code page has a character for it.
std::wstring without_lone_surrogates(std::wstring text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (is_high_surrogate(text[i]) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) {
      ++i;
    } else if (is_high_surrogate(text[i]) || is_low_surrogate(text[i])) {
      text[i] = L'?';
    }
  }
  return text;
}

}  // namespace

std::optional<std::wstring> wide_text(const std::string& text) {
  if (text.find('\0') != std::string::npos || !fits_an_int(text.size())) return std::nullopt;
  if (text.empty()) return std::wstring();
  const int bytes = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), bytes, nullptr, 0);
  if (units <= 0) return std::nullopt;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), bytes, &wide[0], units) != units) {
    return std::nullopt;
  }
  return wide;
}

std::optional<std::wstring> wide_path(const std::string& path) {
  const std::optional<std::wstring> given = wide_text(path);
  if (!given || given->empty()) return std::nullopt;
  return system_form(*given);
}

std::wstring system_form(const std::wstring& path) {
  // The first call tells the size the full form needs, the NUL included.
  std::wstring full;
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed > 0) {
    full.resize(needed);
    const DWORD length = GetFullPathNameW(path.c_str(), needed, &full[0], nullptr);
    full.resize(length > 0 && length < needed ? length : 0);
  }
  return long_path_form(path, full);
}

std::optional<std::string> code_page_text(const std::wstring& text) {
  const UINT code_page = GetACP();
  BOOL used_default = FALSE;
  std::optional<std::string> bytes =
      code_page == CP_UTF8 ? converted(text, code_page, WC_ERR_INVALID_CHARS, nullptr, nullptr)
                           : converted(text, code_page, WC_NO_BEST_FIT_CHARS, nullptr, &used_default);
  // A code page that takes no flags is asked plainly; the way back below
  // still tells a look-alike from the character itself.
  if (!bytes && GetLastError() == ERROR_INVALID_FLAGS) bytes = converted(text, code_page, 0, nullptr, nullptr);
  if (!bytes || used_default) return std::nullopt;
  const std::optional<std::wstring> back = wide_text(*bytes);
  if (!back || *back != text) return std::nullopt;
  return bytes;
}

std::optional<std::string> code_page_path(const std::wstring& path) {
  std::optional<std::string> bytes = code_page_text(path);
  if (bytes) return bytes;
  // The short form is plain ASCII where the volume makes short names.
  const std::wstring system_path = system_form(path);
  const DWORD needed = GetShortPathNameW(system_path.c_str(), nullptr, 0);
  if (needed == 0) return std::nullopt;
  std::wstring short_path(needed, L'\0');
  const DWORD length = GetShortPathNameW(system_path.c_str(), &short_path[0], needed);
  if (length == 0 || length >= needed) return std::nullopt;
  short_path.resize(length);
  return code_page_text(without_long_path_prefix(short_path));
}

std::string code_page_text_marked(const std::wstring& text) {
  const std::wstring sound = without_lone_surrogates(text);
  const UINT code_page = GetACP();
  std::optional<std::string> bytes =
      code_page == CP_UTF8 ? converted(sound, code_page, 0, nullptr, nullptr)
                           : converted(sound, code_page, WC_NO_BEST_FIT_CHARS, kMissingCharacter, nullptr);
  if (bytes) return *bytes;
  // A code page that converts nothing this way: every character not in
  // ASCII is marked.
  std::string marked;
  for (const wchar_t c : sound) marked += c < 0x80 ? static_cast<char>(c) : kMissingCharacter[0];
  return marked;
}

DWORD followed_attributes(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return attributes;
  }
  // The attributes of a link are its own; opening it (only to read
  // attributes) reaches what it leads to, or fails when that is missing.
  const HANDLE handle =
      CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return INVALID_FILE_ATTRIBUTES;
  BY_HANDLE_FILE_INFORMATION information;
  const bool known = GetFileInformationByHandle(handle, &information) != 0;
  CloseHandle(handle);
  return known ? information.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}


bool names_a_file(const std::string& path) {
  if (path.find('\0') != std::string::npos || path.empty()) return false;
  if (is_reserved_device_name(path, GetACP())) return false;
  std::string start = path.substr(0, 4);
  for (char& c : start) {
    if (c == '/') c = '\\';
  }
  if (start == "\\\\.\\") return false;
  if (start == "\\\\?\\") {
    const bool drive = path.size() >= 6 && path[5] == ':' &&
                       ((path[4] >= 'A' && path[4] <= 'Z') || (path[4] >= 'a' && path[4] <= 'z'));
    if (!drive) return false;
  }
  return true;
}

std::optional<std::wstring> file_path(const std::string& path) {
  if (!names_a_file(path)) return std::nullopt;
  return wide_path(path);
}

std::string named_in_code_page(const std::wstring& full_path) {
  const std::wstring plain = without_long_path_prefix(full_path);
  const std::optional<std::string> bytes = code_page_path(plain);
  return bytes ? *bytes : code_page_text_marked(plain);
}

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


int remove_file(const std::string& path) {
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide) return 1;
  return DeleteFileW(wide->c_str()) ? 0 : 1;
}

namespace {

// Virus scanners, indexers and sync clients open a new file for a moment
// as soon as it is closed or renamed; a rename that meets them is tried
// again for about a second.
constexpr int kMoveAttempts = 20;
constexpr DWORD kMoveRetryMs = 50;

bool move_file(const std::string& old_path, const std::string& new_path, DWORD flags) {
  const std::optional<std::wstring> from = file_path(old_path);
  const std::optional<std::wstring> to = file_path(new_path);
  if (!from || !to) return false;
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(from->c_str(), to->c_str(), flags | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt == kMoveAttempts) {
      return false;
    }
    Sleep(kMoveRetryMs);
  }
}

}  // namespace

int rename_file(const std::string& old_path, const std::string& new_path) {
  return move_file(old_path, new_path, 0) ? 0 : 1;
}

int replace_file(const std::string& old_path, const std::string& new_path) {
  return move_file(old_path, new_path, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

// No call syncs a folder: NTFS keeps a rename whole through its journal,
// and the renames by path are written through (MOVEFILE_WRITE_THROUGH).
void sync_folder_of(const std::string&) {}

// A folder's access rules come from its parent on Windows.
void make_directory(const std::string& path, bool) {
  const std::optional<std::wstring> wide = file_path(path);
  if (wide) CreateDirectoryW(wide->c_str(), nullptr);
}

std::string final_file(const std::string& path) {
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide) return path;
  const DWORD attributes = GetFileAttributesW(wide->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return path;
  const HANDLE handle = CreateFileW(wide->c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr);
  if (handle == INVALID_HANDLE_VALUE) return path;
  std::wstring final_path(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle, &final_path[0], static_cast<DWORD>(final_path.size()),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length >= final_path.size()) {
    final_path.resize(length + 1);
    length = GetFinalPathNameByHandleW(handle, &final_path[0], static_cast<DWORD>(final_path.size()),
                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  }
  CloseHandle(handle);
  if (length == 0 || length >= final_path.size()) return path;
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

std::string absolute_path(const std::string& path) {
  // Resolved from the path as given: GetFullPathNameW takes any length.
  const std::optional<std::wstring> given = wide_text(path);
  if (!given || given->empty()) return "";
  // The first call tells the size the path needs, the NUL included.
  const DWORD needed = GetFullPathNameW(given->c_str(), 0, nullptr, nullptr);
  if (needed == 0) return "";
  std::wstring full(needed, L'\0');
  const DWORD length = GetFullPathNameW(given->c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return "";
  full.resize(length);
  // "C:\subs\" names the folder "C:\subs"; only a root keeps its separator.
  while (full.size() > 3 && (full.back() == L'\\' || full.back() == L'/') &&
         full[full.size() - 2] != L':') {
    full.pop_back();
  }
  // The entry exists (the callers have looked): a name the code page cannot
  // hold is given by its short form, or not at all.
  return code_page_path(without_long_path_prefix(full)).value_or("");
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
std::string program_file_path() {
  // The buffer grows until the path fits: the result is cut short (and
  // fills the buffer) when it does not.
  for (DWORD size = kFirstModulePathSize; size <= kLongestModulePath; size *= 2) {
    std::wstring path(size, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], size);
    if (length == 0) return "";
    if (length < size) {
      path.resize(length);
      return named_in_code_page(path);
    }
  }
  return "";
}

char native_separator() { return '\\'; }

}  // namespace native
}  // namespace rt
