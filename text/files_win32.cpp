// The Windows layer beneath the numbered files and the file system: the
// calls of text/native_files.h made with the system's ANSI file functions.
#include <windows.h>

#include <cstdint>
#include <string>

#include "text/device_names.h"
#include "text/native_files.h"
#include "text/paths.h"

namespace rt {
namespace native {
namespace {

// ReadFile and WriteFile take a 32-bit count; larger requests go in parts.
constexpr std::size_t kLargestTransfer = std::size_t{1} << 30;
// GetModuleFileNameA gives no more than a path of this many bytes can hold.
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

// Whether the entry at path is a file (not a folder, not a device); false
// when it is missing.
bool is_existing_file(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
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
  if (!names_a_file(path) || !is_existing_file(path)) return kNoFileHandle;
  return disk_file_only(CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle open_file_for_writing(const std::string& path) {
  if (!names_a_file(path)) return kNoFileHandle;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE |
                     FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
    return kNoFileHandle;
  }
  // Opened without emptying, so that nothing is lost when the name turns
  // out not to be a file on disk; emptied only then.
  const FileHandle file = disk_file_only(
      CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file == kNoFileHandle) return kNoFileHandle;
  if (!SetEndOfFile(as_handle(file))) {
    CloseHandle(as_handle(file));
    return kNoFileHandle;
  }
  return file;
}

FileHandle create_new_file(const std::string& path) {
  if (!names_a_file(path)) return kNoFileHandle;
  return disk_file_only(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool file_accepts_writes(const std::string& path) {
  if (!names_a_file(path) || !is_existing_file(path)) return false;
  const FileHandle file = disk_file_only(CreateFileA(
      path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file == kNoFileHandle) return false;
  CloseHandle(as_handle(file));
  return true;
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
  if (!names_a_file(path)) return 1;
  return DeleteFileA(path.c_str()) ? 0 : 1;
}

int rename_without_replacing(const std::string& old_path, const std::string& new_path) {
  if (!names_a_file(old_path) || !names_a_file(new_path)) return 1;
  return MoveFileExA(old_path.c_str(), new_path.c_str(), 0) ? 0 : 1;
}

int replace_atomically(const std::string& old_path, const std::string& new_path) {
  if (!names_a_file(old_path) || !names_a_file(new_path)) return 1;
  return MoveFileExA(old_path.c_str(), new_path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? 0
             : 1;
}

void create_directory(const std::string& path) {
  if (!names_a_file(path)) return;
  CreateDirectoryA(path.c_str(), nullptr);
}

// Argument 0 as the command line holds it, by the rule the C runtime uses
// for it (text/paths.h).
std::string argument0() {
  const char* line = GetCommandLineA();
  return line == nullptr ? "" : program_path_of_command_line(line);
}

std::string program_file_path() {
  // The buffer grows until the path fits: the result is cut short (and
  // fills the buffer) when it does not.
  for (DWORD size = kFirstModulePathSize; size <= kLongestModulePath; size *= 2) {
    std::string path(size, '\0');
    const DWORD length = GetModuleFileNameA(nullptr, &path[0], size);
    if (length == 0) return "";
    if (length < size) {
      path.resize(length);
      return path;
    }
  }
  return "";
}

char native_separator() { return '\\'; }

EntryKind entry_kind(const std::string& path) {
  if (path.find('\0') != std::string::npos || path.empty()) return EntryKind::missing;
  if (!names_a_file(path)) return EntryKind::other;  // a device name or a pipe
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::missing;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return EntryKind::other;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EntryKind::directory;
  return EntryKind::file;
}

std::string absolute_path(const std::string& path) {
  if (path.find('\0') != std::string::npos || path.empty()) return "";
  // The first call tells the size the path needs, the NUL included.
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return "";
  std::string full(needed, '\0');
  const DWORD length = GetFullPathNameA(path.c_str(), needed, &full[0], nullptr);
  if (length == 0 || length >= needed) return "";
  full.resize(length);
  // "C:\subs\" names the folder "C:\subs"; only a root keeps its separator.
  while (full.size() > 3 && (full.back() == '\\' || full.back() == '/') &&
         full[full.size() - 2] != ':') {
    full.pop_back();
  }
  return full;
}

}  // namespace native
}  // namespace rt
