// Files on Windows: the calls of platform/files.h made with the
// system's wide file functions, the paths converted from the ANSI code page
// at this edge (platform/win32/wide_paths.h). A save's temporary file is held
// by its handle's sharing (see create_held_file).
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/error_numbers.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/win32/wide_paths.h"

namespace rt {
namespace native {
namespace {

// ReadFile and WriteFile take a 32-bit count, and write_file also writes
// the console's standard streams, which take no very large write at once:
// requests go in parts of a mebibyte.
constexpr std::size_t kLargestTransfer = std::size_t{1} << 20;

HANDLE as_handle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
FileHandle as_file(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

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

}  // namespace

FileHandle open_file_for_reading(const std::string& path) {
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide || !is_existing_file(*wide)) return kNoFileHandle;
  return disk_file_only(CreateFileW(wide->c_str(), GENERIC_READ, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The temporary file of a save: created only where no entry of the name
// exists, and held by its open handle, which lets others read and delete
// it but makes an exclusive open fail, which is how remove_if_abandoned
// tells a live save's file from a leftover. Its DELETE access lets the
// save rename it through this handle (place_held_file).
HeldFile create_held_file(const std::string& path) {
  FileError error;
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide) {
    error = refusal(FileErrorKind::unnamable);
    return {kNoFileHandle, error};
  }
  const HANDLE handle = CreateFileW(wide->c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = last_file_error();
    // A file being deleted keeps its name until its last handle closes,
    // and refuses a new one with "access denied" meanwhile: the name is
    // taken unless nothing at all is there, when the folder refuses.
    if (error.kind == FileErrorKind::no_permission &&
        (GetFileAttributesW(wide->c_str()) != INVALID_FILE_ATTRIBUTES || GetLastError() != ERROR_FILE_NOT_FOUND)) {
      error.kind = FileErrorKind::exists;
    }
    return {kNoFileHandle, error};
  }
  const FileHandle file = disk_file_only(handle);
  if (file == kNoFileHandle) error = refusal(FileErrorKind::not_a_file);
  return {file, error};
}

// Opened without any sharing, the file cannot be held by anyone else, and
// nobody can open it until it is gone: it is marked for deletion through
// this very handle, so no other file that takes the name later is hit.
static bool remove_if_abandoned(const std::string& path) {
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

void remove_abandoned(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) remove_if_abandoned(path);
}


FileError write_refusal(const std::string& path) {
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide) return refusal(FileErrorKind::unnamable);
  if (!is_existing_file(*wide)) return refusal(FileErrorKind::not_a_file);
  // Opening for writing fails for a read-only file; the attribute is
  // looked at first all the same, for an administrator's sake.
  const DWORD attributes = GetFileAttributesW(wide->c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return last_file_error();
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return refusal(FileErrorKind::write_protected);
  const HANDLE handle =
      CreateFileW(wide->c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return last_file_error();
  const FileHandle file = disk_file_only(handle);
  if (file == kNoFileHandle) return refusal(FileErrorKind::not_a_file);
  CloseHandle(as_handle(file));
  return {};
}

// The new file gets its access rules from its folder, as the old one did
// (Windows has no mode to carry over); only the kind of the target counts.
FileError take_attributes(FileHandle, const std::string& from_path) {
  const Target target = look_at_target(from_path);
  switch (target.kind) {
    case TargetKind::missing:
    case TargetKind::file:
      return {};
    case TargetKind::folder:
      return refusal(FileErrorKind::is_folder);
    case TargetKind::link:
      return refusal(FileErrorKind::is_link);
    case TargetKind::special:
      return refusal(FileErrorKind::not_a_file);
    case TargetKind::no_folder:
    case TargetKind::unknown:
      break;
  }
  return target.error;
}

namespace {

// Virus scanners, indexers and sync clients open a new file for a moment
// as soon as it is closed; a rename that meets them is tried again for
// about a second.
constexpr int kRenameAttempts = 20;
constexpr DWORD kRenameRetryMs = 50;

// The longest name of one entry, in UTF-16 units.
constexpr std::size_t kLongestName = 255;

bool is_low_surrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Whether the entry at path is the open file: the same volume and file
// index. Looked at with no access at all, which no sharing refuses.
bool named_by(HANDLE held, const std::string& path) {
  const std::optional<std::wstring> wide = file_path(path);
  if (!wide) return false;
  const HANDLE named = CreateFileW(wide->c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a;
  BY_HANDLE_FILE_INFORMATION b;
  const bool same = GetFileInformationByHandle(held, &a) && GetFileInformationByHandle(named, &b) &&
                    a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
                    a.nFileIndexLow == b.nFileIndexLow;
  CloseHandle(named);
  return same;
}

}  // namespace

// Renamed through the held handle, so that the file this save wrote is the
// one put in place. The temporary name must still lead to it first, as on
// POSIX: a file renamed away while it was written means another program
// had its hands on it (and wine renames a handle's file by the name it was
// opened with, whatever the name leads to now).
FileError place_held_file(FileHandle file, const std::string& temporary, const std::string& target,
                          bool replace) {
  const std::optional<std::wstring> to = file_path(target);
  if (!to) return refusal(FileErrorKind::unnamable);
  if (!named_by(as_handle(file), temporary)) return refusal(FileErrorKind::moved_away);
  // FILE_RENAME_INFO ends with the name, which runs on past the structure;
  // its one declared character leaves room for the closing NUL.
  const std::size_t name_bytes = to->size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name_bytes);
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = replace ? TRUE : FALSE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(name_bytes);
  std::memcpy(rename->FileName, to->c_str(), name_bytes + sizeof(wchar_t));
  for (int attempt = 1;; ++attempt) {
    if (SetFileInformationByHandle(as_handle(file), FileRenameInfo, rename, static_cast<DWORD>(buffer.size()))) {
      return {};
    }
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt == kRenameAttempts) {
      return file_error_of(error);
    }
    Sleep(kRenameRetryMs);
  }
}

// The last component is cut in UTF-16, never between the two halves of a
// pair, and given back in the code page, which holds every character of it.
std::string name_cut_to_fit(const std::string& path, std::size_t added) {
  const std::size_t separator = path.find_last_of("\\/");
  const std::size_t name_start = separator == std::string::npos ? 0 : separator + 1;
  const std::optional<std::wstring> name = wide_text(path.substr(name_start));
  if (!name || name->size() + added <= kLongestName || added >= kLongestName) return path;
  std::size_t kept = kLongestName - added;
  if (is_low_surrogate((*name)[kept])) --kept;
  const std::optional<std::string> bytes = code_page_text(name->substr(0, kept));
  return bytes ? path.substr(0, name_start) + *bytes : path;
}

// WriteFile has handed every byte to the system; closing tells nothing more.
FileError written_out(FileHandle) { return {}; }

void discard_held_file(FileHandle file, const std::string&) {
  FILE_DISPOSITION_INFO disposition;
  disposition.DeleteFile = TRUE;
  // Through the handle, not by name: after a close the name might already
  // belong to another run's new file.
  SetFileInformationByHandle(as_handle(file), FileDispositionInfo, &disposition, sizeof disposition);
  CloseHandle(as_handle(file));
}

// Windows brings pages in as they are touched.
void make_present(char*, std::size_t) {}

std::int64_t read_file(FileHandle file, char* into, std::size_t count) {
  DWORD got = 0;
  const DWORD wanted = static_cast<DWORD>(count < kLargestTransfer ? count : kLargestTransfer);
  if (!ReadFile(as_handle(file), into, wanted, &got, nullptr)) return -1;
  return got;
}

FileError write_file(FileHandle file, const char* bytes, std::size_t count) {
  while (count > 0) {
    DWORD wrote = 0;
    const DWORD part = static_cast<DWORD>(count < kLargestTransfer ? count : kLargestTransfer);
    if (!WriteFile(as_handle(file), bytes, part, &wrote, nullptr)) return last_file_error();
    // Nothing written and no error: taken for a failure of the device.
    if (wrote == 0) return file_error_of(ERROR_WRITE_FAULT);
    bytes += wrote;
    count -= wrote;
  }
  return {};
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

FileError sync_file(FileHandle file) {
  return FlushFileBuffers(as_handle(file)) != 0 ? FileError{} : last_file_error();
}

FileError empty_file(FileHandle file) {
  LARGE_INTEGER start;
  start.QuadPart = 0;
  return SetFilePointerEx(as_handle(file), start, nullptr, FILE_BEGIN) && SetEndOfFile(as_handle(file))
             ? FileError{}
             : last_file_error();
}

bool close_file_handle(FileHandle file) { return CloseHandle(as_handle(file)) != 0; }

}  // namespace native
}  // namespace rt
