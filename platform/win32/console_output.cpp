// The Windows console's output: standard output and standard error written
// with WriteFile, so bytes go out in the console's output code page as they
// are (the C runtime's streams may convert them on their way to a console).
// A console window shows its output code page; files and pipes get the
// system's ANSI code page, which the user's other programs read them in.
#include <windows.h>

#include <cstddef>

#include "platform/console_output.h"
#include "platform/files.h"

namespace rt {
namespace native {
namespace {

// A console window sounds BEL itself only in some hosts; the program's
// bell is one fixed tone everywhere.
constexpr DWORD kBellHertz = 1000;
constexpr DWORD kBellMilliseconds = 250;

HANDLE stream_handle(bool to_standard_error) {
  return GetStdHandle(to_standard_error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
}

bool is_console(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

}  // namespace

// Writes everything (write_file of platform/files.h) or gives up when the
// stream is gone.
void write_standard_stream(const char* bytes, std::size_t count, bool to_standard_error) {
  const HANDLE out = stream_handle(to_standard_error);
  if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
  write_file(reinterpret_cast<FileHandle>(out), bytes, count);
}

void ring_bell() { Beep(kBellHertz, kBellMilliseconds); }

// Windows has no signal for a closed pipe: WriteFile fails, and the rest
// of the text is dropped.
void keep_running_when_output_closes() {}

const char* console_line_end() { return "\r\n"; }

bool console_output_is_terminal() { return is_console(stream_handle(false)); }

CharacterSet console_character_set() {
  const UINT code_page = console_output_is_terminal() ? GetConsoleOutputCP() : 0;
  return character_set_of_code_page(code_page != 0 ? code_page : GetACP());
}

// Converted without "best fit", so a character the code page lacks is
// reported, not replaced by a look-alike or a default character.
std::optional<std::string> user_character(const std::string& utf8_character,
                                          bool to_standard_error) {
  const UINT console = is_console(stream_handle(to_standard_error)) ? GetConsoleOutputCP() : 0;
  const UINT code_page = console != 0 ? console : GetACP();
  if (code_page == CP_UTF8) return utf8_character;
  wchar_t wide[2];
  const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8_character.data(),
                                        static_cast<int>(utf8_character.size()), wide, 2);
  if (units <= 0) return std::nullopt;
  char bytes[8];
  BOOL lacks = FALSE;
  // Code pages that take no flags (some East-Asian and ISO-2022 ones) fail
  // here; the character then counts as missing.
  const int length = WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, wide, units, bytes,
                                         sizeof bytes, nullptr, &lacks);
  if (length <= 0 || lacks) return std::nullopt;
  return std::string(bytes, static_cast<std::size_t>(length));
}

}  // namespace native
}  // namespace rt
