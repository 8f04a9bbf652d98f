// retime_key_dump: prints the raw bytes of every key press and the key text
// they decode to, for finding out what a terminal really sends. Press q to
// end (Ctrl-C works too).
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "console/keys.h"
#include "console/terminal.h"

namespace {

std::string hex_bytes(const std::string& bytes) {
  std::string out;
  char cell[8];
  for (unsigned char b : bytes) {
    std::snprintf(cell, sizeof cell, "%s%02X", out.empty() ? "" : " ", b);
    out += cell;
  }
  return out;
}

std::string describe(const rt::DecodedInput& d) {
  if (d.status == rt::DecodeStatus::cursor_report)
    return "cursor report row " + std::to_string(d.row) + " column " +
           std::to_string(d.column);
  if (d.key.size() == 2)
    return "special key " +
           std::to_string(static_cast<unsigned char>(d.key[1]));
  return "character " + std::to_string(static_cast<unsigned char>(d.key[0]));
}

}  // namespace

int main() {
  rt::start_console();
  rt::write_console("Press keys; q ends.\n");
  std::string pending;
  for (;;) {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    // A lone ESC waits as long as the console layer would before it counts.
    int ready = poll(&p, 1, pending.empty() ? -1 : 50);
    if (ready > 0) {
      char buffer[256];
      ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
      if (n <= 0) break;
      pending.append(buffer, static_cast<std::size_t>(n));
    }
    while (!pending.empty()) {
      rt::DecodedInput d = rt::decode_input(pending, ready > 0, {});
      if (d.status == rt::DecodeStatus::incomplete) break;
      std::string used = pending.substr(0, d.length);
      pending.erase(0, d.length);
      rt::write_console(hex_bytes(used) + "  ->  " + describe(d) + "\n");
      if (used == "q") {
        rt::end_console();
        return 0;
      }
    }
  }
  rt::end_console();
  return 0;
}
