// The Windows console beneath the console module: its modes and code pages,
// its key events, the cursor and the window, all with the console API.
// Escape sequences are never written: a console host that takes them keeps
// its own idea of the cursor out of step with the screen.
//
// Rows and columns are those of the screen buffer (row 1 is the buffer's
// top), not of the window: the user may scroll the view while the prompt
// waits, and the line must still be drawn where it stands.
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/shared/key_event.h"

namespace rt {
namespace native {
namespace {

constexpr DWORD kRawInputMode = ENABLE_PROCESSED_INPUT | ENABLE_WINDOW_INPUT;
constexpr DWORD kLineInputMode =
    ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_WINDOW_INPUT;
// Quick-edit (selecting text with the mouse) stays as the user had it; it
// is only kept when ENABLE_EXTENDED_FLAGS comes with it.
constexpr DWORD kKeptInputFlags = ENABLE_QUICK_EDIT_MODE | ENABLE_INSERT_MODE;
// Output as the classic console host shows it under cmd, set by the program
// so that it is the same under every shell and terminal: control bytes act
// (BS, TAB, CR, LF), a row that is full wraps at once, LF also returns to
// the left edge, and escape sequences are not interpreted.
constexpr DWORD kOutputMode = ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT;
constexpr DWORD kInputRecordsAtOnce = 64;
constexpr unsigned char kBackspace = 8;  // what the Backspace key types
constexpr DWORD kPipePollMs = 10;
constexpr DWORD kPlainReadSize = 4096;

// What start_console_mode found and changed, to be given back.
struct SavedConsole {
  HANDLE input = INVALID_HANDLE_VALUE;
  HANDLE output = INVALID_HANDLE_VALUE;
  bool input_is_console = false;
  bool output_is_console = false;
  DWORD input_mode = 0;
  DWORD output_mode = 0;
  UINT input_code_page = 0;
  UINT output_code_page = 0;
};

SavedConsole saved;
std::atomic<bool> mode_changed{false};
std::atomic<bool> line_mode{false};
std::atomic<bool> window_changed{false};

// Where mark_cursor found the cursor, in the buffer's rows and columns.
int marked_row = 1;
int marked_column = 1;

// How far the line's last drawing reached, in cells from the first column
// of its row: a later drawing clears up to there and no further. The text's
// bytes are counted (never fewer than its cells), up to the row's width,
// which the text never passes.
long drawn_extent = 0;

DWORD raw_mode() {
  return kRawInputMode | ENABLE_EXTENDED_FLAGS | (saved.input_mode & kKeptInputFlags);
}

void show_cursor(bool visible) {
  CONSOLE_CURSOR_INFO cursor;
  if (!GetConsoleCursorInfo(saved.output, &cursor)) return;
  cursor.bVisible = visible ? TRUE : FALSE;
  SetConsoleCursorInfo(saved.output, &cursor);
}

// Gives everything back; safe to call more than once and from the thread
// the system starts for a console event.
void restore_console() {
  if (!mode_changed.exchange(false)) return;
  if (saved.input_is_console) SetConsoleMode(saved.input, saved.input_mode);
  if (saved.output_is_console) {
    SetConsoleMode(saved.output, saved.output_mode);
    show_cursor(true);
  }
  if (saved.input_code_page != 0) SetConsoleCP(saved.input_code_page);
  if (saved.output_code_page != 0) SetConsoleOutputCP(saved.output_code_page);
}

// What the console's ending events call first (install_console_restorers).
void (*before_ending)() = nullptr;

// Ctrl-C, Ctrl-Break, closing the window, logging off, shutting down: the
// console gets its modes and code pages back, then the system's own
// handling ends the process. This runs on a thread of its own, whose
// floating-point set-up is not the program's: no arithmetic here, and no
// file work while the main thread writes. An output being written takes
// its name only once complete (text/atomic_save.h); the exit handlers are
// only told to leave the open files alone, so that the one cut off keeps
// the old output under its name.
BOOL WINAPI on_console_event(DWORD) {
  if (before_ending != nullptr) before_ending();
  restore_console();
  return FALSE;
}

bool screen_info(CONSOLE_SCREEN_BUFFER_INFO& info) {
  return saved.output_is_console && GetConsoleScreenBufferInfo(saved.output, &info);
}

// The buffer position of a 1-based row and column of the buffer.
COORD buffer_position(int row, int column) {
  COORD at;
  at.X = static_cast<SHORT>(column - 1);
  at.Y = static_cast<SHORT>(row - 1);
  return at;
}

// The buffer's row and column of a place.
void resolve(const CursorPlace& place, int& row, int& column) {
  row = place.row + (place.from_mark ? marked_row : 0);
  column = place.column + (place.from_mark ? marked_column : 0);
}

bool inside_buffer(const CONSOLE_SCREEN_BUFFER_INFO& info, int row, int column) {
  return row >= 1 && row <= info.dwSize.Y && column >= 1 && column <= info.dwSize.X;
}

// Blanks the cells from..to (counted along the buffer's rows from its first
// cell) in the colours of the text.
void clear_cells(const CONSOLE_SCREEN_BUFFER_INFO& info, long from, long to) {
  const long width = info.dwSize.X;
  const long buffer_end = width * info.dwSize.Y;
  if (to > buffer_end) to = buffer_end;
  if (from >= to) return;
  COORD at;
  at.X = static_cast<SHORT>(from % width);
  at.Y = static_cast<SHORT>(from / width);
  const DWORD cells = static_cast<DWORD>(to - from);
  DWORD done = 0;
  FillConsoleOutputCharacterA(saved.output, ' ', cells, at, &done);
  FillConsoleOutputAttribute(saved.output, info.wAttributes, cells, at, &done);
}

// Milliseconds left before deadline; -1 stays "no limit".
DWORD wait_left(int timeout_ms, ULONGLONG deadline) {
  if (timeout_ms < 0) return INFINITE;
  const ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

// Standard input as plain bytes (a pipe, a file, or the console in line
// mode): a pipe is polled for the time allowed, then read.
InputOutcome read_plain_input(int timeout_ms, std::string& bytes) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms < 0 ? 0 : timeout_ms);
  if (GetFileType(saved.input) == FILE_TYPE_PIPE) {
    for (;;) {
      DWORD available = 0;
      // A pipe that cannot be peeked at (wine's view of a Unix pipe) is
      // read as it comes; its end shows as a read of no bytes.
      if (!PeekNamedPipe(saved.input, nullptr, 0, nullptr, &available, nullptr)) break;
      if (available > 0) break;
      const DWORD left = wait_left(timeout_ms, deadline);
      if (left == 0) return InputOutcome::nothing;
      Sleep(left < kPipePollMs ? left : kPipePollMs);
    }
  } else if (saved.input_is_console && timeout_ms >= 0 &&
             WaitForSingleObject(saved.input, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) {
    return InputOutcome::nothing;
  }
  char block[kPlainReadSize];
  DWORD got = 0;
  if (!ReadFile(saved.input, block, sizeof block, &got, nullptr) || got == 0) {
    return InputOutcome::ended;
  }
  bytes.append(block, got);
  return InputOutcome::got;
}

// Takes the console's pending input records: key events are handed over,
// a change of the window's size is remembered.
void take_input_records(std::vector<ConsoleKeyEvent>& keys) {
  DWORD pending = 0;
  while (GetNumberOfConsoleInputEvents(saved.input, &pending) && pending > 0) {
    INPUT_RECORD records[kInputRecordsAtOnce];
    DWORD got = 0;
    if (!ReadConsoleInputA(saved.input, records, kInputRecordsAtOnce, &got) || got == 0) return;
    for (DWORD i = 0; i < got; ++i) {
      if (records[i].EventType == WINDOW_BUFFER_SIZE_EVENT) window_changed = true;
      if (records[i].EventType != KEY_EVENT) continue;
      const KEY_EVENT_RECORD& key = records[i].Event.KeyEvent;
      ConsoleKeyEvent event;
      event.virtual_key = key.wVirtualKeyCode;
      event.scan_code = key.wVirtualScanCode;
      event.character = static_cast<unsigned char>(key.uChar.AsciiChar);
      event.control_state = key.dwControlKeyState;
      event.key_down = key.bKeyDown != 0;
      event.repeat_count = key.wRepeatCount;
      keys.push_back(event);
    }
  }
}

}  // namespace

void install_console_restorers(void (*on_ending_event)()) {
  before_ending = on_ending_event;
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

ConsoleTraits start_console_mode() {
  ConsoleTraits traits;
  saved.input = GetStdHandle(STD_INPUT_HANDLE);
  saved.output = GetStdHandle(STD_OUTPUT_HANDLE);
  saved.input_is_console = GetConsoleMode(saved.input, &saved.input_mode) != 0;
  saved.output_is_console = GetConsoleMode(saved.output, &saved.output_mode) != 0;

  // Typed bytes and printed bytes in the system's ANSI code page, the one
  // file names and texts use (the console starts in the OEM code page).
  saved.input_code_page = GetConsoleCP();
  saved.output_code_page = GetConsoleOutputCP();
  const UINT ansi = GetACP();
  if (saved.input_code_page != 0) SetConsoleCP(ansi);
  if (saved.output_code_page != 0) SetConsoleOutputCP(ansi);

  if (saved.input_is_console) SetConsoleMode(saved.input, raw_mode());
  if (saved.output_is_console) SetConsoleMode(saved.output, kOutputMode);
  mode_changed = true;

  traits.keys = saved.input_is_console;
  traits.screen = traits.keys && saved.output_is_console;
  traits.cursor_report_in_input = false;
  traits.erase_char = kBackspace;
  return traits;
}

void end_console_mode() { restore_console(); }

void set_line_mode(bool on) {
  if (!saved.input_is_console) return;
  line_mode = on;
  SetConsoleMode(saved.input, on ? kLineInputMode | ENABLE_EXTENDED_FLAGS |
                                       (saved.input_mode & kKeptInputFlags)
                                 : raw_mode());
}

InputOutcome read_console_input(int timeout_ms, std::string& bytes,
                                std::vector<ConsoleKeyEvent>& keys) {
  if (!saved.input_is_console || line_mode) return read_plain_input(timeout_ms, bytes);
  const std::size_t before = keys.size();
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms < 0 ? 0 : timeout_ms);
  for (;;) {
    const DWORD left = wait_left(timeout_ms, deadline);
    const DWORD waited = WaitForSingleObject(saved.input, left);
    if (waited == WAIT_FAILED) return InputOutcome::ended;
    if (waited == WAIT_OBJECT_0) take_input_records(keys);
    if (keys.size() > before) return InputOutcome::got;
    // A change of the window counts as news, so the line is redrawn.
    if (window_changed) return InputOutcome::nothing;
    if (wait_left(timeout_ms, deadline) == 0) return InputOutcome::nothing;
  }
}

bool cursor_position_now(int& row, int& column) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!screen_info(info)) return false;
  row = info.dwCursorPosition.Y + 1;
  column = info.dwCursorPosition.X + 1;
  return true;
}

// The console answers cursor_position_now at once: nothing is asked in band.
void send_cursor_query() {}

void mark_cursor() { cursor_position_now(marked_row, marked_column); }

void place_cursor(const CursorPlace& place, bool visible) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!screen_info(info)) return;
  int row = 0;
  int column = 0;
  resolve(place, row, column);
  if (inside_buffer(info, row, column)) {
    SetConsoleCursorPosition(saved.output, buffer_position(row, column));
  }
  show_cursor(visible);
}

// The text goes into the buffer's cells directly: unlike printing, this
// never moves the cursor, so a text that ends in the row's last column
// neither wraps nor scrolls. Beyond the text, only what the line's last
// drawing covered is cleared (after a change of the window's width the
// console may have rewrapped it onto the rows below); the rows below it
// are the user's.
void draw_line(const CursorPlace& start, const std::string& text, const CursorPlace& cursor,
               Drawing drawing) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  int row = 0;
  int start_column = 0;
  int cursor_row = 0;
  int cursor_column = 0;
  resolve(start, row, start_column);
  resolve(cursor, cursor_row, cursor_column);
  if (!screen_info(info) || !inside_buffer(info, row, start_column)) return;
  show_cursor(false);
  DWORD done = 0;
  WriteConsoleOutputCharacterA(saved.output, text.data(), static_cast<DWORD>(text.size()),
                               buffer_position(row, start_column), &done);
  const long width = info.dwSize.X;
  const long row_start = static_cast<long>(row - 1) * width;
  const long extent = start_column - 1 + static_cast<long>(text.size());
  const long earlier = drawing == Drawing::first ? 0 : drawn_extent;
  clear_cells(info, row_start + extent, row_start + (earlier > width ? earlier : width));
  drawn_extent = extent < width ? extent : width;
  if (inside_buffer(info, cursor_row, cursor_column)) {
    SetConsoleCursorPosition(saved.output, buffer_position(cursor_row, cursor_column));
  }
  show_cursor(true);
}

WindowSize window_size() {
  WindowSize size;
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!screen_info(info)) return size;
  size.rows = info.srWindow.Bottom - info.srWindow.Top + 1;
  size.columns = info.srWindow.Right - info.srWindow.Left + 1;
  return size;
}

bool console_disturbed() { return window_changed.exchange(false); }

}  // namespace native
}  // namespace rt
