// The GetLastError numbers of Windows sorted into the kinds of
// platform/shared/file_error.h, for the native layers of the file system on Windows.
#pragma once

#include <windows.h>

#include "platform/shared/file_error.h"

namespace rt {
namespace native {

inline FileError file_error_of(DWORD number) {
  FileErrorKind kind = FileErrorKind::other;
  switch (number) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      kind = FileErrorKind::no_space;
      break;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
      kind = FileErrorKind::no_permission;
      break;
    case ERROR_WRITE_PROTECT:
      kind = FileErrorKind::read_only_file_system;
      break;
    case ERROR_FILE_TOO_LARGE:
      kind = FileErrorKind::file_too_large;
      break;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
      kind = FileErrorKind::io_error;
      break;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
      kind = FileErrorKind::name_too_long;
      break;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      kind = FileErrorKind::missing;
      break;
    case ERROR_DIRECTORY:
      kind = FileErrorKind::not_a_folder;
      break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      kind = FileErrorKind::exists;
      break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      kind = FileErrorKind::in_use;
      break;
    case ERROR_CANT_RESOLVE_FILENAME:
      kind = FileErrorKind::too_many_links;
      break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      kind = FileErrorKind::no_memory;
      break;
    case ERROR_INVALID_NAME:
      kind = FileErrorKind::unnamable;
      break;
    default:
      break;
  }
  return FileError{kind, static_cast<std::int64_t>(number)};
}

// What GetLastError says about the call that just failed.
inline FileError last_file_error() { return file_error_of(GetLastError()); }

}  // namespace native
}  // namespace rt
