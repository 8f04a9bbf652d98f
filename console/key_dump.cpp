// retime_key_dump: prints the raw bytes of every key press and the key text
// they decode to, for finding out what a terminal really sends. Press q to
// end (Ctrl-C works too).
#include <cstdio>
#include <string>
#include <vector>

#include "console/keys.h"
#include "console/native_console.h"
#include "console/terminal.h"
#include "text/console_print.h"

namespace {

// A lone ESC waits as long as the console would before it counts.
constexpr int kEscapeWaitMs = 50;
constexpr int kNoTimeLimit = -1;
constexpr std::size_t kHexCell = 8;

std::string hex_bytes(const std::string& bytes) {
  std::string out;
  char cell[kHexCell];
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
  rt::print_text("Press keys; q ends.\n");
  std::string pending;
  std::vector<std::string> keys;
  for (;;) {
    const rt::native::InputOutcome got = rt::native::read_console_input(
        pending.empty() ? kNoTimeLimit : kEscapeWaitMs, pending, keys);
    if (got == rt::native::InputOutcome::ended) break;
    // A console that delivers keys as events hands over key texts.
    for (const std::string& key : keys) {
      rt::print_text("key event  ->  " + hex_bytes(key) + "\n");
      if (key == "q") {
        rt::end_console();
        return 0;
      }
    }
    keys.clear();
    while (!pending.empty()) {
      rt::DecodedInput d = rt::decode_input(
          pending, got == rt::native::InputOutcome::got, {});
      if (d.status == rt::DecodeStatus::incomplete) break;
      std::string used = pending.substr(0, d.length);
      pending.erase(0, d.length);
      rt::print_text(hex_bytes(used) + "  ->  " + describe(d) + "\n");
      if (used == "q") {
        rt::end_console();
        return 0;
      }
    }
  }
  rt::end_console();
  return 0;
}
