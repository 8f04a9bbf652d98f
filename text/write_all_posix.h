// The one routine that writes bytes to a POSIX descriptor, for the numbered
// files and the console's output alike.
#pragma once

#include <cstddef>

namespace rt {
namespace posix {

// Writes all count bytes to fd, retrying after interruptions and waiting
// while a non-blocking descriptor takes no more. False when a write failed
// (no space, an I/O error, a file-size limit, a closed pipe); the bytes not
// yet written are then dropped. Uses only write(2) and poll(2), so it may be
// called from a signal handler.
bool write_all(int fd, const char* bytes, std::size_t count);

}  // namespace posix
}  // namespace rt
