// Why an operation on a file failed, as the native layers tell it to the
// portable code above them: the system's own error number (errno on POSIX,
// GetLastError on Windows) sorted into the kinds the program tells apart,
// or a refusal of a layer's own rules. Each native layer sorts its system's
// numbers (posix/error_numbers.h, win32/error_numbers.h); the words a user
// reads for each kind are the driver's.
#pragma once

#include <cstdint>

namespace rt {

enum class FileErrorKind {
  none,
  // What the system answered.
  no_space,               // the disk is full, or the user's quota used up
  no_permission,          // the user may not do it
  read_only_file_system,  // the file system, or the medium, takes no writes
  file_too_large,         // beyond a file-size limit (ulimit -f)
  io_error,               // the device failed
  name_too_long,          // a name or path longer than the system takes
  missing,                // no such file or folder
  not_a_folder,           // a component of the path is no folder
  exists,                 // the name is taken
  in_use,                 // held by another program or run
  too_many_links,         // more links in a row than the system follows
  no_memory,              // no memory for it
  other,                  // any other number (see code)
  // What a layer refuses by its own rules.
  foreign_link,     // a symbolic link of another user (platform/posix/links.h)
  is_folder,        // a folder where a file is meant
  is_link,          // a symbolic link where a file is meant (never written through)
  not_a_file,       // a pipe, socket or device where a file is meant
  write_protected,  // a file with no write permission at all
  moved_away,       // the name no longer leads to the file the layer holds
  unnamable,        // a path that can name no file (a NUL byte, a character the code page lacks)
};

struct FileError {
  FileErrorKind kind = FileErrorKind::none;
  // The system's number when it gave one (for other, the only clue); 0
  // for a layer's own refusal.
  std::int64_t code = 0;

  bool failed() const { return kind != FileErrorKind::none; }
};

// A refusal of a layer's own, without a system number.
inline FileError refusal(FileErrorKind kind) { return FileError{kind, 0}; }

}  // namespace rt
