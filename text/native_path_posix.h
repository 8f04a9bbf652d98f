// Helpers the POSIX backends of files.h and filesystem.h share: how a path
// composed with "\" reaches the file system, how a file is opened for
// reading without ever blocking, and where the program's file lies.
#pragma once

#include <optional>
#include <string>

namespace rt {

// path as the file system takes it: every "\" becomes "/". Nothing when the
// path holds a NUL byte, which the system calls would silently cut off and
// so name another file.
std::optional<std::string> native_path(const std::string& path);

// A descriptor of the regular file at native (links to regular files are
// followed), open for reading; -1 when it is missing, unreadable or
// anything but a regular file. Pipes, sockets and devices are refused
// before they are opened, so the call never waits on them. The descriptor
// is non-blocking, which files on disk ignore, so that a pseudo-file that
// would wait for data (/proc/kmsg) reads as ended instead.
int open_regular_for_reading(const std::string& native);

// The directory part of the program file's path: the path cut before its
// last "/", the root itself for a file in "/", "" when there is no "/".
std::string directory_of(const std::string& file_path);

}  // namespace rt
