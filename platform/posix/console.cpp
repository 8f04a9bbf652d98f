// The console's native layer on a POSIX terminal: termios raw and line
// mode, the handlers that give the terminal its mode back, poll() and read()
// for input, ANSI escape sequences (all to standard output) for the cursor,
// TIOCGWINSZ for the size.
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/console.h"
#include "platform/console_output.h"

namespace rt {
namespace native {
namespace {

constexpr char kShowCursor[] = "\x1b[?25h";    // DECTCEM: show cursor
constexpr char kHideCursor[] = "\x1b[?25l";    // DECTCEM: hide cursor
constexpr char kQueryCursor[] = "\x1b[6n";     // DSR: report cursor position
constexpr char kMarkCursor[] = "\x1b" "7";     // DECSC: save cursor
constexpr char kToMarkedCursor[] = "\x1b" "8";  // DECRC: restore cursor
constexpr char kCsi[] = "\x1b[";               // CSI: starts CUP, CUU..CUB
constexpr char kEraseBelow[] = "\x1b[J";       // ED: erase to end of screen
constexpr std::size_t kReadChunk = 4096;
constexpr char kCtrlD = 4;  // EOT: the byte Ctrl-D sends in raw mode

// What the signal handlers need; written before raw mode is marked active.
termios g_saved_mode;
termios g_raw_mode;
volatile sig_atomic_t g_raw_active = 0;
volatile sig_atomic_t g_show_cursor_on_exit = 0;
volatile sig_atomic_t g_disturbed = 0;
bool g_input_terminal = false;

void write_out(const std::string& bytes) {
  write_standard_stream(bytes.data(), bytes.size(), false);
}

void set_mode(const termios& mode) {
  while (tcsetattr(STDIN_FILENO, TCSADRAIN, &mode) < 0 && errno == EINTR) {
  }
}

// Only tcsetattr and write: safe inside a signal handler.
void restore_for_exit() {
  if (g_raw_active) set_mode(g_saved_mode);
  if (g_show_cursor_on_exit) write_standard_stream(kShowCursor, sizeof kShowCursor - 1, false);
}

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

// Only the terminal's mode needs restoring: an output takes its name only
// once complete (text/atomic_save.h). Installed with SA_RESETHAND |
// SA_NODEFER, so raising the signal again ends (or, for Ctrl-Z, stops) the
// program as it would have without us.
void on_ending_signal(int signal_number) {
  int saved_errno = errno;
  restore_for_exit();
  raise(signal_number);
  errno = saved_errno;
}

// After a stop the shell has written over the screen; after a resize the
// terminal may have rewrapped it. Either way the line is drawn afresh. The
// stop took Ctrl-Z's handler away; it is put back for the next one.
void on_continue_signal(int) {
  int saved_errno = errno;
  install_handler(SIGTSTP, on_ending_signal, SA_RESETHAND | SA_NODEFER);
  if (g_raw_active && tcgetpgrp(STDIN_FILENO) == getpgrp()) set_mode(g_raw_mode);
  g_disturbed = 1;
  errno = saved_errno;
}

void on_window_change(int) { g_disturbed = 1; }

termios raw_mode_of(const termios& saved) {
  termios raw = saved;
  // No echo, line editing, Ctrl-V or flow control; CR arrives as CR. ISIG
  // stays (Ctrl-C interrupts), OPOST too (LF starts a line at the left).
  raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN);
  raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP);
  raw.c_cc[VMIN] = 0;  // reads never block; poll() does the waiting
  raw.c_cc[VTIME] = 0;
  return raw;
}

// Terminals that cannot place a cursor: TERM=dumb or no TERM at all.
bool has_cursor_control() {
  const char* term = std::getenv("TERM");
  return term != nullptr && *term != '\0' && std::strcmp(term, "dumb") != 0;
}

std::string steps(int count, char forward, char back) {
  if (count == 0) return "";
  return kCsi + std::to_string(count > 0 ? count : -count) + (count > 0 ? forward : back);
}

// The bytes that move the cursor to place, or nothing when that place lies
// outside the window (then the cursor stays where it is).
std::string move_to(const CursorPlace& place) {
  if (place.from_mark)  // CUD/CUU, CUF/CUB
    return kToMarkedCursor + steps(place.row, 'B', 'A') + steps(place.column, 'C', 'D');
  if (place.row < 1 || place.column < 1) return "";
  const WindowSize size = window_size();
  if (size.columns > 0 && place.column > size.columns) return "";
  if (size.rows > 0 && place.row > size.rows) return "";
  return kCsi + std::to_string(place.row) + ";" + std::to_string(place.column) + "H";  // CUP
}

}  // namespace

void install_console_restorers(void (*)()) {
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGTSTP})
    install_handler(s, on_ending_signal, SA_RESETHAND | SA_NODEFER);
  install_handler(SIGCONT, on_continue_signal, SA_RESTART);
  install_handler(SIGWINCH, on_window_change, SA_RESTART);
}

ConsoleTraits start_console_mode() {
  ConsoleTraits traits;
  // No handler reads the saved mode before raw mode is marked active.
  g_input_terminal = tcgetattr(STDIN_FILENO, &g_saved_mode) == 0;
  if (g_input_terminal) {
    g_raw_mode = raw_mode_of(g_saved_mode);
    traits.erase_char = g_saved_mode.c_cc[VERASE];
    g_raw_active = 1;
    // TCSADRAIN, not TCSAFLUSH: keys typed ahead must not be thrown away.
    if (tcsetattr(STDIN_FILENO, TCSADRAIN, &g_raw_mode) != 0) g_raw_active = 0;
  }
  traits.keys = g_raw_active != 0;
  traits.screen = traits.keys && console_output_is_terminal() && has_cursor_control();
  traits.cursor_report_in_input = true;
  g_disturbed = 0;
  g_show_cursor_on_exit = traits.screen ? 1 : 0;
  return traits;
}

void end_console_mode() {
  restore_for_exit();
  g_raw_active = 0;
  g_show_cursor_on_exit = 0;
}

void set_line_mode(bool on) {
  if (!g_input_terminal || on != (g_raw_active != 0)) return;
  g_raw_active = on ? 0 : 1;
  set_mode(on ? g_saved_mode : g_raw_mode);
}

InputOutcome read_console_input(int timeout_ms, std::string& bytes,
                                std::vector<ConsoleKeyEvent>&) {
  pollfd p{STDIN_FILENO, POLLIN, 0};
  if (poll(&p, 1, timeout_ms) <= 0) return InputOutcome::nothing;
  if ((p.revents & POLLNVAL) != 0) return InputOutcome::ended;
  char buffer[kReadChunk];
  const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
  if (n > 0) {
    bytes.append(buffer, static_cast<std::size_t>(n));
    return InputOutcome::got;
  }
  if (n == 0) {
    if (!g_input_terminal || (p.revents & POLLHUP) != 0) return InputOutcome::ended;
    // A terminal gives 0 for Ctrl-D in line mode and goes on afterwards:
    // handed on as the byte Ctrl-D sends in raw mode, which ends a plain
    // line as it is.
    bytes.push_back(kCtrlD);
    return InputOutcome::got;
  }
  if (errno == EINTR || errno == EAGAIN) return InputOutcome::nothing;
  return InputOutcome::ended;  // EIO: the terminal is gone
}

bool cursor_position_now(int&, int&) { return false; }

void send_cursor_query() { write_out(kQueryCursor); }

void mark_cursor() { write_out(kMarkCursor); }

void place_cursor(const CursorPlace& place, bool visible) {
  write_out((visible ? "" : kHideCursor) + move_to(place) + (visible ? kShowCursor : ""));
}

// The line editor covers what a shorter line leaves behind with blanks
// itself; only a changed window can leave drawing elsewhere, so only then
// is the rest of the screen erased. A terminal wraps only when the next
// character comes, so a text that ends in the last column stays in its row.
void draw_line(const CursorPlace& start, const std::string& text, const CursorPlace& cursor,
               Drawing drawing) {
  std::string s;
  if (drawing == Drawing::first) s = move_to(start) + kShowCursor;
  if (drawing == Drawing::again || drawing == Drawing::afresh) s = kHideCursor + move_to(start);
  if (drawing == Drawing::afresh) s += kEraseBelow;
  write_out(s + text + move_to(cursor) + kShowCursor);
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
  return true;
}

}  // namespace native
}  // namespace rt
