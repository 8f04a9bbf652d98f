// The user's character set on Windows: a console window shows its output
// code page; files and pipes get the system's ANSI code page, which the
// user's other programs read them in. A character is converted without
// "best fit", so one the code page lacks is reported, not replaced by a
// look-alike or a default character. The bytes go out with WriteFile, as
// the console's other output does (the C runtime's streams may convert
// them on their way to a console).
#include <windows.h>

#include "text/native_console_output.h"

namespace rt {
namespace native {
namespace {

HANDLE stream_handle(bool to_standard_error) {
  return GetStdHandle(to_standard_error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
}

UINT code_page_for(bool to_standard_error) {
  const HANDLE stream = stream_handle(to_standard_error);
  DWORD mode = 0;
  if (stream != nullptr && stream != INVALID_HANDLE_VALUE && GetConsoleMode(stream, &mode)) {
    const UINT console = GetConsoleOutputCP();
    if (console != 0) return console;
  }
  return GetACP();
}

}  // namespace

std::optional<std::string> user_character(const std::string& utf8_character,
                                          bool to_standard_error) {
  const UINT code_page = code_page_for(to_standard_error);
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

void write_user_stream(const std::string& bytes, bool to_standard_error) {
  const HANDLE stream = stream_handle(to_standard_error);
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE) return;
  std::string text;
  for (const char c : bytes) {
    if (c == '\n') text += '\r';
    text += c;
  }
  const char* rest = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    DWORD wrote = 0;
    if (!WriteFile(stream, rest, static_cast<DWORD>(left), &wrote, nullptr) || wrote == 0) return;
    rest += wrote;
    left -= wrote;
  }
}

}  // namespace native
}  // namespace rt
