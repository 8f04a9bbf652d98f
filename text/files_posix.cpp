// The native file layer on POSIX (text/native_files.h), files part: opens,
// reads, writes, sizes and closes, each one system call or a few, with the
// checks that keep them from blocking or writing through anything but a
// regular file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "text/native_files.h"
#include "text/paths.h"
#include "text/write_all_posix.h"

namespace rt {
namespace native {

namespace {

int fd_of(FileHandle file) { return static_cast<int>(file); }

bool is_regular(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// Opens a regular file for writing without ever blocking and without
// writing into anything but a regular file. A symbolic link as the last
// component is refused (O_NOFOLLOW): the program writes only files it names
// itself, and a link planted in a working folder must not redirect its
// output. O_NONBLOCK keeps a pipe swapped in after lstat from hanging the
// open; it is taken off again once fstat has seen a regular file.
FileHandle open_for_writing(const std::string& path, int create_flags, bool empty_it) {
  const std::optional<std::string> native = with_slashes(path);
  if (!native) return kNoFileHandle;
  struct stat st;
  if (::lstat(native->c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return kNoFileHandle;
  // Not O_TRUNC: nothing is emptied before it is known to be a regular file.
  const int fd = ::open(native->c_str(),
                        O_WRONLY | create_flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return kNoFileHandle;
  int flags = -1;
  if (!is_regular(fd) || (empty_it && ::ftruncate(fd, 0) != 0) ||
      (flags = ::fcntl(fd, F_GETFL)) < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return kNoFileHandle;
  }
  return fd;
}

}  // namespace

FileHandle open_file_for_reading(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  if (!native) return kNoFileHandle;
  // First look without opening: opening a FIFO or a terminal device can
  // block or have side effects of its own.
  struct stat st;
  if (::stat(native->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kNoFileHandle;
  // O_NONBLOCK covers the moment between stat and open, when the path may
  // have been swapped for a pipe; fstat then tells what was really opened.
  // It stays: files on disk ignore it, and the few pseudo-files that pass
  // for regular files but wait for data (/proc/kmsg) then read as ended.
  const int fd = ::open(native->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return kNoFileHandle;
  if (!is_regular(fd)) {
    ::close(fd);
    return kNoFileHandle;
  }
  return fd;
}

FileHandle open_file_for_writing(const std::string& path) {
  return open_for_writing(path, O_CREAT, true);
}

FileHandle create_new_file(const std::string& path) {
  return open_for_writing(path, O_CREAT | O_EXCL, false);
}

bool file_accepts_writes(const std::string& path) {
  const FileHandle file = open_for_writing(path, 0, false);
  if (file == kNoFileHandle) return false;
  ::close(fd_of(file));
  return true;
}

std::int64_t read_file(FileHandle file, char* into, std::size_t count) {
  for (;;) {
    const ssize_t got = ::read(fd_of(file), into, count);
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

bool write_file(FileHandle file, const char* bytes, std::size_t count) {
  return posix::write_all(fd_of(file), bytes, count);
}

bool seek_file_start(FileHandle file) { return ::lseek(fd_of(file), 0, SEEK_SET) == 0; }

std::int64_t file_size(FileHandle file) {
  struct stat st;
  return ::fstat(fd_of(file), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

bool sync_file(FileHandle file) { return ::fsync(fd_of(file)) == 0; }

bool empty_file(FileHandle file) { return ::ftruncate(fd_of(file), 0) == 0; }

bool close_file_handle(FileHandle file) { return ::close(fd_of(file)) == 0; }

}  // namespace native
}  // namespace rt
