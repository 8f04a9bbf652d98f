// The Windows layer beneath the numbered files and the file system: the
// calls of text/native_files.h made with the system's wide file functions,
// the paths converted from the ANSI code page at this edge (and given the
// long form where they are long: text/wide_paths_win32.h). A save's
// temporary file is held by its handle's sharing (see create_held_file),
// and put in place with MoveFileExW.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "text/device_names.h"
#include "text/native_files.h"
#include "text/paths.h"
#include "text/wide_paths_win32.h"

namespace rt {
namespace native {
namespace {

// ReadFile and WriteFile take a 32-bit count; larger requests go in parts.
constexpr std::size_t kLargestTransfer = std::size_t{1} << 30;
// GetModuleFileNameW gives no more than a path of this many characters can
// hold; a long path can have up to about 32,767.
constexpr DWORD kFirstModulePathSize = MAX_PATH;
constexpr DWORD kLongestModulePath = 1u << 16;

HANDLE as_handle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
FileHandle as_file(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

// Whether path may be handed to the system as a file name at all: no NUL
// byte (the call would name a shorter path), no device name (CON, NUL.txt,
// COM1 ... reach a device in any folder), and no path in the device
// namespace ("\\.\pipe\x", "\\.\COM1"), which names devices and pipes, not
// files. The long-path form "\\?\C:\..." is a file name.
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

// path in the form the wide calls take, when it may name a file at all.
std::optional<std::wstring> file_path(const std::string& path) {
  if (!names_a_file(path)) return std::nullopt;
  return wide_path(path);
}

// An existing entry's full path in the code page: exactly, or by its short
// name, or else with "?" for each character the code page lacks, which
// names nothing; never a look-alike, which could name another entry.
std::string named_in_code_page(const std::wstring& full_path) {
  const std::wstring plain = without_long_path_prefix(full_path);
  const std::optional<std::string> bytes = code_page_path(plain);
  return bytes ? *bytes : code_page_text_marked(plain);
}

// Whether the entry at path is a file, a link followed (not a folder, not a
// device); false when it is missing.
bool is_existing_file(const std::wstring& path) {
  const DWORD attributes = followed_attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}

// The handle when it refers to a file on disk; otherwise it is closed.
FileHandle disk_file_only(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return kNoFileHandle;
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return kNoFileHandle;
  }
  return as_file(handle);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

}  // namespace

FileHandle open_file_for_reading(const std::string& path) {
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide || !is_existing_file(*wide)) return kNoFileHandle;
  return disk_file_only(CreateFileW(wide->c_str(), GENERIC_READ, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The temporary file of a save: created only where no entry of the name
// exists, and held by its open handle, which lets others read it and lets
// this process rename it (MoveFileExW needs delete sharing from every
// handle) but makes an exclusive open fail, which is how
// remove_if_abandoned tells a live save's file from a leftover.
FileHandle create_held_file(const std::string& path, bool& name_taken) {
  name_taken = false;
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide) return kNoFileHandle;
  const HANDLE handle = CreateFileW(wide->c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // A file being deleted keeps its name until its last handle closes,
    // and refuses a new one with "access denied" meanwhile.
    name_taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
                 error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
    return kNoFileHandle;
  }
  return disk_file_only(handle);
}

// Opened without any sharing, the file cannot be held by anyone else, and
// nobody can open it until it is gone: it is marked for deletion through
// this very handle, so no other file that takes the name later is hit.
bool remove_if_abandoned(const std::string& path) {
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide) return false;
  const HANDLE handle = CreateFileW(wide->c_str(), DELETE | FILE_READ_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information;
  constexpr DWORD kNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
  bool removed = false;
  if (GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &information) &&
      (information.dwFileAttributes & kNotAFile) == 0) {
    FILE_DISPOSITION_INFO disposition;
    disposition.DeleteFile = TRUE;
    removed = SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
  }
  CloseHandle(handle);
  return removed;
}

TargetKind target_kind(const std::string& path) {
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide) return TargetKind::other;
  const DWORD attributes = GetFileAttributesW(wide->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? TargetKind::missing : TargetKind::other;
  }
  constexpr DWORD kNotAFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
  return (attributes & kNotAFile) == 0 ? TargetKind::file : TargetKind::other;
}

bool file_accepts_writes(const std::string& path) {
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide || !is_existing_file(*wide)) return false;
  // Opening for writing fails for a read-only file; the attribute is
  // looked at first all the same, for an administrator's sake.
  const DWORD attributes = GetFileAttributesW(wide->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
  const FileHandle file = disk_file_only(CreateFileW(
      wide->c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file == kNoFileHandle) return false;
  CloseHandle(as_handle(file));
  return true;
}

// The new file gets its access rules from its folder, as the old one did
// (Windows has no mode to carry over); only the kind of the target counts.
bool take_attributes(FileHandle, const std::string& from_path) {
  return target_kind(from_path) != TargetKind::other;
}

// WriteFile has handed every byte to the system; closing tells nothing more.
bool written_out(FileHandle) { return true; }

void discard_held_file(FileHandle file, const std::string&) {
  FILE_DISPOSITION_INFO disposition;
  disposition.DeleteFile = TRUE;
  // Through the handle, not by name: after a close the name might already
  // belong to another run's new file.
  SetFileInformationByHandle(as_handle(file), FileDispositionInfo, &disposition, sizeof disposition);
  CloseHandle(as_handle(file));
}

std::int64_t read_file(FileHandle file, char* into, std::size_t count) {
  DWORD got = 0;
  const DWORD wanted = static_cast<DWORD>(count < kLargestTransfer ? count : kLargestTransfer);
  if (!ReadFile(as_handle(file), into, wanted, &got, nullptr)) return -1;
  return got;
}

bool write_file(FileHandle file, const char* bytes, std::size_t count) {
  while (count > 0) {
    DWORD wrote = 0;
    const DWORD part = static_cast<DWORD>(count < kLargestTransfer ? count : kLargestTransfer);
    if (!WriteFile(as_handle(file), bytes, part, &wrote, nullptr) || wrote == 0) return false;
    bytes += wrote;
    count -= wrote;
  }
  return true;
}

bool seek_file_start(FileHandle file) {
  LARGE_INTEGER start;
  start.QuadPart = 0;
  return SetFilePointerEx(as_handle(file), start, nullptr, FILE_BEGIN) != 0;
}

std::int64_t file_size(FileHandle file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(as_handle(file), &size)) return -1;
  return size.QuadPart;
}

bool sync_file(FileHandle file) { return FlushFileBuffers(as_handle(file)) != 0; }

bool empty_file(FileHandle file) {
  LARGE_INTEGER start;
  start.QuadPart = 0;
  return SetFilePointerEx(as_handle(file), start, nullptr, FILE_BEGIN) &&
         SetEndOfFile(as_handle(file));
}

bool close_file_handle(FileHandle file) { return CloseHandle(as_handle(file)) != 0; }

int delete_file(const std::string& path) {
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

int rename_without_replacing(const std::string& old_path, const std::string& new_path) {
  return move_file(old_path, new_path, 0) ? 0 : 1;
}

int replace_atomically(const std::string& old_path, const std::string& new_path) {
  return move_file(old_path, new_path, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}

// The renames are written through already (MOVEFILE_WRITE_THROUGH).
void sync_folder_of(const std::string&) {}

// A folder's access rules come from its parent on Windows.
void create_directory(const std::string& path, bool) {
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

void wait_milliseconds(int ms) {
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

// Argument 0 as the command line holds it, by the rule the C runtime uses
// for it (text/paths.h); nothing when the code page cannot hold it (its
// look-alike could name another file).
std::optional<std::string> argument0() {
  const wchar_t* line = GetCommandLineW();
  if (line == nullptr) return std::string();
  return code_page_text(program_path_of_command_line(std::wstring(line)));
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

}  // namespace native
}  // namespace rt
