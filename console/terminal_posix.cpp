// The console's native layer on a POSIX terminal: termios raw and line
// mode, the handlers that give the terminal its mode back, poll() and read()
// for input, ANSI escape sequences for the cursor, TIOCGWINSZ for the size.
//
// Escape sequences written (all to standard output):
//   ESC [ ? 25 h          DECTCEM: show the cursor
//   ESC [ ? 25 l          DECTCEM: hide the cursor
//   ESC [ 6 n             DSR: ask for the cursor position; the terminal
//                         answers ESC [ row ; column R on the input side
//   ESC [ row ; col H     CUP: move the cursor to row and column
//   ESC 7 / ESC 8         DECSC / DECRC: save / restore the cursor, used
//                         when the terminal does not answer the query
//   ESC [ n A/B/C/D       CUU/CUD/CUF/CUB: move up/down/right/left n cells,
//                         relative to the saved cursor in that case
//   ESC [ J               ED: erase from the cursor to the end of the screen
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "console/native_console.h"
#include "text/native_console_output.h"
#include "text/write_all_posix.h"

namespace rt {
namespace native {
namespace {

constexpr char kShowCursor[] = "\x1b[?25h";    // DECTCEM: show cursor
constexpr char kHideCursor[] = "\x1b[?25l";    // DECTCEM: hide cursor
constexpr char kQueryCursor[] = "\x1b[6n";     // DSR: report cursor position
constexpr char kSaveCursor[] = "\x1b" "7";     // DECSC: save cursor
constexpr char kRestoreCursor[] = "\x1b" "8";  // DECRC: restore cursor
constexpr char kCsi[] = "\x1b[";               // CSI: starts CUP, CUU..CUB
constexpr char kEraseBelow[] = "\x1b[J";       // ED: erase to end of screen
constexpr std::size_t kReadChunk = 4096;
constexpr char kEndOfTransmission = 4;  // Ctrl-D

// What the signal handlers need; written only while no handler can use it
// in a half-written state (before raw mode is marked active).
termios g_saved_mode;
termios g_raw_mode;
volatile sig_atomic_t g_raw_active = 0;
volatile sig_atomic_t g_show_cursor_on_exit = 0;
volatile sig_atomic_t g_disturbed = 0;
std::terminate_handler g_previous_terminate = nullptr;

struct Terminal {
  bool handlers_installed = false;
  bool input_terminal = false;
  bool screen = false;
  // Set when the cursor query went unanswered: positions are then relative
  // to the cursor saved with DECSC, which stands at anchor_row/column.
  bool anchored = false;
  int anchor_row = 1;
  int anchor_column = 1;
  // The screen changed under the line: the next drawing erases first.
  bool erase_before_draw = false;
};

Terminal g_terminal;

void write_out(const char* bytes, std::size_t count) {
  posix::write_all(STDOUT_FILENO, bytes, count);
}

void set_mode(const termios& mode) {
  while (tcsetattr(STDIN_FILENO, TCSADRAIN, &mode) < 0 && errno == EINTR) {
  }
}

// Only tcsetattr and write: safe inside a signal handler.
void restore_for_exit() {
  if (g_raw_active) tcsetattr(STDIN_FILENO, TCSADRAIN, &g_saved_mode);
  if (g_show_cursor_on_exit) write_out(kShowCursor, sizeof kShowCursor - 1);
}

void reenter_raw_if_foreground() {
  if (g_raw_active && tcgetpgrp(STDIN_FILENO) == getpgrp())
    tcsetattr(STDIN_FILENO, TCSADRAIN, &g_raw_mode);
}

// The one place for what must happen before the program dies of a signal:
// only the terminal's mode. An output being written needs nothing: it
// takes its name only once complete (text/atomic_save.h), so dying here
// leaves the old output and a temporary file the next run removes.
void on_fatal_signal(int signal_number) {
  restore_for_exit();
  // Installed with SA_RESETHAND | SA_NODEFER: the default action is back
  // and the signal is not blocked, so this ends the program as it would
  // have ended without us.
  raise(signal_number);
}

void on_stop_signal(int) {
  int saved_errno = errno;
  restore_for_exit();
  struct sigaction ours;
  struct sigaction default_action {};
  default_action.sa_handler = SIG_DFL;
  sigemptyset(&default_action.sa_mask);
  sigaction(SIGTSTP, &default_action, &ours);
  sigset_t stop_only;
  sigset_t before;
  sigemptyset(&stop_only);
  sigaddset(&stop_only, SIGTSTP);
  sigprocmask(SIG_UNBLOCK, &stop_only, &before);
  raise(SIGTSTP);  // the process stops here until SIGCONT
  sigprocmask(SIG_SETMASK, &before, nullptr);
  sigaction(SIGTSTP, &ours, nullptr);
  reenter_raw_if_foreground();
  errno = saved_errno;
}

// After a stop the shell has written over the screen; after a resize the
// terminal may have rewrapped it. Either way the line is drawn afresh.
void on_continue_signal(int) {
  int saved_errno = errno;
  reenter_raw_if_foreground();
  g_disturbed = 1;
  errno = saved_errno;
}

void on_window_change(int) { g_disturbed = 1; }

[[noreturn]] void on_terminate() {
  restore_for_exit();
  if (g_previous_terminate != nullptr) g_previous_terminate();
  std::abort();
}

void end_at_exit() { end_console_mode(); }

// Leaves alone a signal that someone chose to ignore or handle already.
void install_handler(int signal_number, void (*handler)(int), int flags) {
  struct sigaction old;
  if (sigaction(signal_number, nullptr, &old) != 0) return;
  if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) return;
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  sigaction(signal_number, &action, nullptr);
}

void install_handlers() {
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT})
    install_handler(s, on_fatal_signal, SA_RESETHAND | SA_NODEFER);
  install_handler(SIGTSTP, on_stop_signal, SA_RESTART);
  install_handler(SIGCONT, on_continue_signal, SA_RESTART);
  install_handler(SIGWINCH, on_window_change, SA_RESTART);
  g_previous_terminate = std::set_terminate(on_terminate);
  std::atexit(end_at_exit);
}

termios raw_mode_of(const termios& saved) {
  termios raw = saved;
  // No echo, no line editing, no Ctrl-V, no Ctrl-S/Ctrl-Q flow control, CR
  // arrives as CR. ISIG stays, so Ctrl-C interrupts; OPOST stays, so the
  // program's LF still starts a new line at the left edge.
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN);
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP);
  // Reads never block; poll() does the waiting.
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  return raw;
}

// Terminals that cannot place a cursor: TERM=dumb or no TERM at all.
bool has_cursor_control() {
  const char* term = std::getenv("TERM");
  return term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

// The bytes that move the cursor to row and column, or nothing when that
// place lies outside the window (then the cursor stays where it is).
std::string move_to(int row, int column) {
  const Terminal& t = g_terminal;
  if (row < 1 || column < 1) return "";
  if (t.anchored) {
    std::string s = kRestoreCursor;  // DECRC: back to the saved cursor
    const int down = row - t.anchor_row;
    const int right = column - t.anchor_column;
    if (down > 0) s += kCsi + std::to_string(down) + "B";     // CUD
    if (down < 0) s += kCsi + std::to_string(-down) + "A";    // CUU
    if (right > 0) s += kCsi + std::to_string(right) + "C";   // CUF
    if (right < 0) s += kCsi + std::to_string(-right) + "D";  // CUB
    return s;
  }
  const WindowSize size = window_size();
  if (size.columns > 0 && column > size.columns) return "";
  if (size.rows > 0 && row > size.rows) return "";
  return kCsi + std::to_string(row) + ";" + std::to_string(column) + "H";  // CUP
}

void write_string(const std::string& s) { write_out(s.data(), s.size()); }

}  // namespace

ConsoleTraits start_console_mode() {
  Terminal& t = g_terminal;
  if (!t.handlers_installed) {
    install_handlers();
    t.handlers_installed = true;
  }
  ConsoleTraits traits;
  t.input_terminal = isatty(STDIN_FILENO) == 1;
  termios saved;
  if (t.input_terminal && tcgetattr(STDIN_FILENO, &saved) == 0) {
    g_saved_mode = saved;
    g_raw_mode = raw_mode_of(saved);
    traits.erase_char = saved.c_cc[VERASE];
    g_raw_active = 1;
    // TCSADRAIN, not TCSAFLUSH: keys typed ahead must not be thrown away.
    if (tcsetattr(STDIN_FILENO, TCSADRAIN, &g_raw_mode) != 0) g_raw_active = 0;
  }
  traits.keys = g_raw_active != 0;
  t.screen = traits.keys && console_output_is_terminal() && has_cursor_control();
  traits.screen = t.screen;
  traits.cursor_report_in_input = true;
  t.anchored = false;
  g_disturbed = 0;
  g_show_cursor_on_exit = t.screen ? 1 : 0;
  return traits;
}

void end_console_mode() {
  if (g_raw_active) {
    set_mode(g_saved_mode);
    g_raw_active = 0;
  }
  if (g_show_cursor_on_exit) write_string(kShowCursor);
  g_show_cursor_on_exit = 0;
  g_terminal.screen = false;
}

void set_line_mode(bool on) {
  if (!g_terminal.input_terminal) return;
  if (on && g_raw_active) {
    g_raw_active = 0;
    set_mode(g_saved_mode);
  } else if (!on && !g_raw_active) {
    g_raw_active = 1;
    set_mode(g_raw_mode);
  }
}

InputOutcome read_console_input(int timeout_ms, std::string& bytes,
                                std::vector<std::string>&) {
  pollfd p{STDIN_FILENO, POLLIN, 0};
  const int ready = poll(&p, 1, timeout_ms);
  if (ready <= 0) return InputOutcome::nothing;
  if ((p.revents & POLLNVAL) != 0) return InputOutcome::ended;
  char buffer[kReadChunk];
  const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
  if (n > 0) {
    bytes.append(buffer, static_cast<std::size_t>(n));
    return InputOutcome::got;
  }
  if (n == 0) {
    if (!g_terminal.input_terminal || (p.revents & POLLHUP) != 0)
      return InputOutcome::ended;
    // A terminal gives 0 for Ctrl-D in line mode and goes on afterwards:
    // handed on as the byte Ctrl-D sends in raw mode, which ends a plain
    // line as it is.
    bytes.push_back(kEndOfTransmission);
    return InputOutcome::got;
  }
  if (errno == EINTR || errno == EAGAIN) return InputOutcome::nothing;
  return InputOutcome::ended;  // EIO: the terminal is gone
}

bool cursor_position_now(int&, int&) { return false; }

void send_cursor_query() {
  g_terminal.anchored = false;
  write_string(kQueryCursor);
}

void anchor_cursor(int row, int column) {
  Terminal& t = g_terminal;
  write_string(kSaveCursor);
  t.anchored = true;
  t.anchor_row = row;
  t.anchor_column = column;
}

void place_cursor(int row, int column, bool visible) {
  if (!g_terminal.screen) return;
  std::string s = visible ? "" : kHideCursor;
  s += move_to(row, column);
  if (visible) s += kShowCursor;
  write_string(s);
}

// The line editor covers what a shorter line leaves behind with blanks
// itself; only a changed window can leave drawing elsewhere, so only then
// is the rest of the screen erased. A terminal wraps only when the next
// character comes, so a text that ends in the last column stays in its row.
void draw_line(int row, int start_column, const std::string& text,
               int cursor_column, Drawing drawing) {
  Terminal& t = g_terminal;
  if (!t.screen) return;
  std::string s;
  switch (drawing) {
    case Drawing::first:
      s = move_to(row, start_column) + kShowCursor;
      break;
    case Drawing::again:
      s = kHideCursor + move_to(row, start_column);
      break;
    case Drawing::at_cursor:
      break;
  }
  if (t.erase_before_draw) s += kEraseBelow;
  t.erase_before_draw = false;
  s += text + move_to(row, cursor_column) + kShowCursor;
  write_string(s);
}

WindowSize window_size() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 &&
      ioctl(STDIN_FILENO, TIOCGWINSZ, &size) != 0)
    return WindowSize{};
  return WindowSize{size.ws_row, size.ws_col};
}

bool console_disturbed() {
  if (!g_disturbed) return false;
  g_disturbed = 0;
  g_terminal.erase_before_draw = true;
  return true;
}

void pause_ms(int ms) {
  if (ms <= 0) return;
  timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) < 0 && errno == EINTR) {
  }
}

}  // namespace native
}  // namespace rt
