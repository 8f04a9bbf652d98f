// Console printing on POSIX: straight to descriptor 1 with write(2). There is
// no stdio buffer in between, so printed text and the console module's
// escape sequences, written to the same descriptor, arrive in call order.
#include "text/console_print.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace rt {
namespace {

constexpr int console_output = 1;

void write_to_console(const char* bytes, std::size_t count) {
  while (count > 0) {
    ssize_t done = ::write(console_output, bytes, count);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      // Someone made the descriptor non-blocking: wait until it takes more.
      struct pollfd ready = {console_output, POLLOUT, 0};
      if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return;
      continue;
    }
    // A closed or failing console: printing reports nothing, so the text
    // is dropped rather than retried forever.
    if (done <= 0) return;
    bytes += done;
    count -= static_cast<std::size_t>(done);
  }
}

}  // namespace

void print_text(const std::string& t) { write_to_console(t.data(), t.size()); }

// "\n" alone: a terminal's output processing makes it CR LF, and output
// into a pipe or file gets the usual line end of the platform.
void print_line(const std::string& t) { print_text(t + "\n"); }

void print_number(std::int32_t v) {
  char digits[16];
  int length = std::snprintf(digits, sizeof digits, "% d", static_cast<int>(v));
  if (length > 0) write_to_console(digits, static_cast<std::size_t>(length));
}

}  // namespace rt
