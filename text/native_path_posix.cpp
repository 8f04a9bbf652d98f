#include "text/native_path_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace rt {

std::optional<std::string> native_path(const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

int open_regular_for_reading(const std::string& native) {
  // First look without opening: opening a FIFO or a terminal device can
  // block or have side effects of its own.
  struct stat st;
  if (::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  // O_NONBLOCK covers the moment between stat and open, when the path may
  // have been swapped for a pipe; fstat then tells what was really opened.
  int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  // O_NONBLOCK stays: files on disk ignore it, and the few pseudo-files
  // that pass for regular files but wait for data (/proc/kmsg, reached
  // through a link in a working folder) then give no data instead of
  // holding the run for good; a read that would wait ends the file.
  return fd;
}

std::string directory_of(const std::string& file_path) {
  std::size_t last = file_path.rfind('/');
  if (last == std::string::npos) return "";
  if (last == 0) return "/";
  return file_path.substr(0, last);
}

}  // namespace rt
