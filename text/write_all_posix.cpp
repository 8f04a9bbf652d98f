#include "text/write_all_posix.h"

#include <errno.h>
#include <poll.h>
#include <unistd.h>

namespace rt {
namespace posix {

bool write_all(int fd, const char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t done = ::write(fd, bytes, count);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Someone made the descriptor non-blocking: wait until it takes more.
      struct pollfd ready = {fd, POLLOUT, 0};
      if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return false;
      continue;
    }
    if (done <= 0) return false;
    bytes += done;
    count -= static_cast<std::size_t>(done);
  }
  return true;
}

}  // namespace posix
}  // namespace rt
