// The errno numbers of POSIX sorted into the kinds of platform/shared/file_error.h,
// for the native layers of the file system on POSIX.
#pragma once

#include <errno.h>

#include "platform/shared/file_error.h"

namespace rt {
namespace native {

inline FileError file_error_of(int number) {
  FileErrorKind kind = FileErrorKind::other;
  switch (number) {
    case ENOSPC:
    case EDQUOT:
      kind = FileErrorKind::no_space;
      break;
    case EACCES:
    case EPERM:
      kind = FileErrorKind::no_permission;
      break;
    case EROFS:
      kind = FileErrorKind::read_only_file_system;
      break;
    case EFBIG:
      kind = FileErrorKind::file_too_large;
      break;
    case EIO:
      kind = FileErrorKind::io_error;
      break;
    case ENAMETOOLONG:
      kind = FileErrorKind::name_too_long;
      break;
    case ENOENT:
      kind = FileErrorKind::missing;
      break;
    case ENOTDIR:
      kind = FileErrorKind::not_a_folder;
      break;
    case EEXIST:
      kind = FileErrorKind::exists;
      break;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK:
      kind = FileErrorKind::in_use;
      break;
    case ELOOP:
      kind = FileErrorKind::too_many_links;
      break;
    case ENOMEM:
      kind = FileErrorKind::no_memory;
      break;
    case EISDIR:
      kind = FileErrorKind::is_folder;
      break;
    default:
      break;
  }
  return FileError{kind, number};
}

// What errno says about the call that just failed.
inline FileError last_file_error() { return file_error_of(errno); }

}  // namespace native
}  // namespace rt
