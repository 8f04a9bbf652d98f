// retime_key_dump: prints the raw bytes of every key press and the key text
// they decode to, for finding out what a terminal really sends. Press q to
// end (Ctrl-C works too). A debugging aid, built with -DRETIME_KEY_DUMP=ON
// and never installed; it reads the console's native layer directly, below
// the key queue, so that it sees the bytes as they come.
#include <cstdio>
#include <string>
#include <vector>

#include "console/key_events.h"
#include "console/keys.h"
#include "platform/console.h"
#include "console/terminal.h"
#include "text/console_print.h"

namespace {

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

// Shows each key that arrived; true when it was q.
bool show_keys(std::string& pending, std::vector<std::string>& keys, bool more_may_follow) {
  // A console that delivers keys as events hands over key texts.
  for (const std::string& key : keys) {
    rt::print_text("key event  ->  " + hex_bytes(key) + "\n");
    if (key == "q") return true;
  }
  keys.clear();
  while (!pending.empty()) {
    rt::DecodedInput d = rt::decode_input(pending, more_may_follow, {});
    if (d.status == rt::DecodeStatus::incomplete) break;
    std::string used = pending.substr(0, d.length);
    pending.erase(0, d.length);
    rt::print_text(hex_bytes(used) + "  ->  " + describe(d) + "\n");
    if (used == "q") return true;
  }
  return false;
}

}  // namespace

int main() {
  const rt::ConsoleSession console;
  rt::print_text("Press keys; q ends.\n");
  std::string pending;
  std::vector<std::string> keys;
  for (;;) {
    std::vector<rt::ConsoleKeyEvent> events;
    const rt::native::InputOutcome got = rt::native::read_console_input(
        pending.empty() ? rt::native::kNoTimeLimit : rt::kEscapeWaitMs, pending, events);
    for (const rt::ConsoleKeyEvent& event : events) rt::append_key_texts(event, keys);
    if (got == rt::native::InputOutcome::ended) return 0;
    if (show_keys(pending, keys, got == rt::native::InputOutcome::got)) return 0;
  }
}
