// The Windows console's output: standard output written with WriteFile, so
// bytes go out in the console's output code page as they are. A console
// window sounds BEL itself only in some hosts; the program's bell is one
// fixed tone everywhere.
#include <windows.h>

#include <cstddef>

#include "text/native_console_output.h"

namespace rt {
namespace native {
namespace {

constexpr char kBell = 7;
constexpr DWORD kBellHertz = 1000;
constexpr DWORD kBellMilliseconds = 250;
constexpr std::size_t kLargestWrite = std::size_t{1} << 20;

// Writes everything or gives up when the output is gone.
void write_all(HANDLE out, const char* bytes, std::size_t count) {
  while (count > 0) {
    DWORD wrote = 0;
    const DWORD part = static_cast<DWORD>(count < kLargestWrite ? count : kLargestWrite);
    if (!WriteFile(out, bytes, part, &wrote, nullptr) || wrote == 0) return;
    bytes += wrote;
    count -= wrote;
  }
}

bool is_console(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

}  // namespace

void write_console_output(const char* bytes, std::size_t count) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  if (!is_console(out)) {
    write_all(out, bytes, count);
    return;
  }
  // On the console each BEL becomes the tone, in its place among the text.
  std::size_t from = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes[i] != kBell) continue;
    write_all(out, bytes + from, i - from);
    Beep(kBellHertz, kBellMilliseconds);
    from = i + 1;
  }
  write_all(out, bytes + from, count - from);
}

// Windows has no signal for a closed pipe: WriteFile fails, and the rest
// of the text is dropped.
void keep_running_when_output_closes() {}

const char* console_line_end() { return "\r\n"; }

bool console_output_is_terminal() { return is_console(GetStdHandle(STD_OUTPUT_HANDLE)); }

CharacterSet console_character_set() {
  const UINT code_page = console_output_is_terminal() ? GetConsoleOutputCP() : 0;
  return character_set_of_code_page(code_page != 0 ? code_page : GetACP());
}

bool console_is_utf8() { return console_character_set() == CharacterSet::utf8; }

}  // namespace native
}  // namespace rt
