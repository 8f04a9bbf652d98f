// The terminal layer on a POSIX terminal: termios raw mode, ANSI escape
// sequences, poll() for input without blocking.
//
// Escape sequences written (all to descriptor 1):
//   ESC [ ? 25 h          DECTCEM: show the cursor
//   ESC [ ? 25 l          DECTCEM: hide the cursor
//   ESC [ 6 n             DSR: ask for the cursor position; the terminal
//                         answers ESC [ row ; column R on the input side
//   ESC [ row ; col H     CUP: move the cursor to row and column
//   ESC 7 / ESC 8         DECSC / DECRC: save / restore the cursor, used
//                         when the terminal does not answer the query
//   ESC [ n A/B/C/D       CUU/CUD/CUF/CUB: move up/down/right/left n cells,
//                         relative to the saved cursor in that case
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <exception>
#include <string>

#include "console/key_queue.h"
#include "console/keys.h"
#include "console/terminal.h"
#include "text/files.h"

namespace rt {
namespace {

using Clock = std::chrono::steady_clock;

// A lone ESC is the Escape key when nothing follows within this time.
constexpr int kEscapeWaitMs = 50;
// How long a cursor position query waits for the terminal's answer.
constexpr int kCursorReplyWaitMs = 200;
// The step of wait_for_key and of long sleep_ms pauses.
constexpr int kKeyCheckStepMs = 50;
// sleep_ms checks for keys from this many milliseconds on.
constexpr int kShortestCheckedSleepMs = 100;

constexpr char kShowCursor[] = "\x1b[?25h";     // DECTCEM: show cursor
constexpr char kHideCursor[] = "\x1b[?25l";     // DECTCEM: hide cursor
constexpr char kQueryCursor[] = "\x1b[6n";      // DSR: report cursor position
constexpr char kSaveCursor[] = "\x1b" "7";      // DECSC: save cursor
constexpr char kRestoreCursor[] = "\x1b" "8";   // DECRC: restore cursor

// What the signal handlers need; written only while no handler can use it
// in a half-written state (before raw mode is marked active).
termios g_saved_mode;
termios g_raw_mode;
volatile sig_atomic_t g_raw_active = 0;
volatile sig_atomic_t g_show_cursor_on_exit = 0;
std::terminate_handler g_previous_terminate = nullptr;

struct Console {
  bool started = false;
  bool handlers_installed = false;
  bool input_terminal = false;
  bool output_terminal = false;
  bool screen = false;
  unsigned char erase_char = 127;
  std::string pending;  // bytes read but not yet handed to the key queue
  Clock::time_point last_byte_time{};
  bool input_ended = false;
  int unanswered_queries = 0;
  CursorPosition last_known{};
  // Set when a query went unanswered: positions are then relative to the
  // cursor saved with DECSC, which stands at `anchor`.
  bool anchored = false;
  CursorPosition anchor{};
};

Console& console() {
  static Console* c = new Console;  // never destroyed: atexit may use it
  return *c;
}

// --- Restoring the terminal (async-signal-safe parts) ---

void write_all_raw(const char* bytes, std::size_t length) {
  while (length > 0) {
    ssize_t n = write(STDOUT_FILENO, bytes, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes += n;
    length -= static_cast<std::size_t>(n);
  }
}

void set_mode(const termios& mode) {
  while (tcsetattr(STDIN_FILENO, TCSADRAIN, &mode) < 0 && errno == EINTR) {
  }
}

// Only tcsetattr and write: safe inside a signal handler.
void restore_for_exit() {
  if (g_raw_active) tcsetattr(STDIN_FILENO, TCSADRAIN, &g_saved_mode);
  if (g_show_cursor_on_exit) write_all_raw(kShowCursor, sizeof kShowCursor - 1);
}

void reenter_raw_if_foreground() {
  if (g_raw_active && tcgetpgrp(STDIN_FILENO) == getpgrp())
    tcsetattr(STDIN_FILENO, TCSADRAIN, &g_raw_mode);
}

void on_fatal_signal(int signal_number) {
  // An output cut off here must not look finished (issue 13).
  discard_unfinished_outputs();
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

void on_continue_signal(int) {
  int saved_errno = errno;
  reenter_raw_if_foreground();
  errno = saved_errno;
}

[[noreturn]] void on_terminate() {
  restore_for_exit();
  if (g_previous_terminate != nullptr) g_previous_terminate();
  std::abort();
}

void end_console_at_exit() { end_console(); }

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
  g_previous_terminate = std::set_terminate(on_terminate);
  std::atexit(end_console_at_exit);
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

// --- Input ---

enum class ReadOutcome { bytes, nothing, end };

// Waits up to timeout_ms (-1: no limit) for input and appends what is there
// to pending. `end` means a read gave end of input now; on a pipe or file,
// or a terminal that hung up, that is for good (input_ended).
ReadOutcome read_available(int timeout_ms) {
  Console& c = console();
  if (c.input_ended) return ReadOutcome::end;
  pollfd p{STDIN_FILENO, POLLIN, 0};
  int ready = poll(&p, 1, timeout_ms);
  if (ready <= 0) return ReadOutcome::nothing;
  if ((p.revents & POLLNVAL) != 0) {
    c.input_ended = true;
    return ReadOutcome::end;
  }
  char buffer[4096];
  ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
  if (n > 0) {
    c.pending.append(buffer, static_cast<std::size_t>(n));
    c.last_byte_time = Clock::now();
    // Without a screen the bytes stay raw for read_input_line, so their
    // arrival is what counts as a key press.
    if (!c.screen) note_key_press();
    return ReadOutcome::bytes;
  }
  if (n == 0) {
    // A terminal gives 0 for Ctrl-D in line mode and goes on afterwards.
    if (!c.input_terminal || (p.revents & POLLHUP) != 0) c.input_ended = true;
    return ReadOutcome::end;
  }
  if (errno == EINTR || errno == EAGAIN) return ReadOutcome::nothing;
  c.input_ended = true;  // EIO: the terminal is gone
  return ReadOutcome::end;
}

constexpr int kAllKeys = 1 << 30;

struct HandOver {
  int keys = 0;
  bool report = false;
  CursorPosition position{};
};

// Decodes pending bytes into the key queue: at most max_keys keys, and
// stopping after a cursor report when stop_at_report. An unfinished
// sequence stays pending until kEscapeWaitMs have passed without a byte.
HandOver hand_over(int max_keys, bool stop_at_report) {
  Console& c = console();
  HandOver result;
  while (!c.pending.empty() && result.keys < max_keys) {
    bool more_may_follow =
        !c.input_ended &&
        Clock::now() - c.last_byte_time < std::chrono::milliseconds(kEscapeWaitMs);
    KeyDecodeOptions options;
    options.erase_char = c.erase_char;
    options.cursor_report_expected = c.unanswered_queries > 0;
    DecodedInput d = decode_input(c.pending, more_may_follow, options);
    if (d.status == DecodeStatus::incomplete) break;
    c.pending.erase(0, d.length);
    if (d.status == DecodeStatus::cursor_report) {
      if (c.unanswered_queries > 0) --c.unanswered_queries;
      result.report = true;
      result.position.row = d.row;
      result.position.column = d.column;
      result.position.known = true;
      if (stop_at_report) break;
      continue;
    }
    push_key(d.key);
    ++result.keys;
  }
  return result;
}

// Lets every key press that has arrived reach the key queue.
void take_in_all_keys() {
  Console& c = console();
  // One read per check: a stream that never pauses cannot keep us here.
  read_available(0);
  // Without a screen the bytes are kept for read_input_line; their arrival
  // has set the flag already.
  if (c.screen) hand_over(kAllKeys, false);
}

bool key_pressed_since_last_check() {
  take_in_all_keys();
  return check_key_flag();
}

void pause_ms(int ms) {
  if (ms <= 0) return;
  timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&left, &left) < 0 && errno == EINTR) {
  }
}

winsize window_size() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 &&
      ioctl(STDIN_FILENO, TIOCGWINSZ, &size) != 0)
    return winsize{};
  return size;
}

std::string number(int n) { return std::to_string(n); }

// Relative move from the saved cursor, which stands at the anchor.
std::string move_from_anchor(int row, int column) {
  const Console& c = console();
  std::string s = kRestoreCursor;  // DECRC: back to the saved cursor
  int down = row - c.anchor.row;
  int right = column - c.anchor.column;
  if (down > 0) s += "\x1b[" + number(down) + "B";    // CUD: cursor down
  if (down < 0) s += "\x1b[" + number(-down) + "A";   // CUU: cursor up
  if (right > 0) s += "\x1b[" + number(right) + "C";  // CUF: cursor forward
  if (right < 0) s += "\x1b[" + number(-right) + "D"; // CUB: cursor back
  return s;
}

}  // namespace

void start_console() {
  Console& c = console();
  if (c.started) return;
  c.started = true;
  if (!c.handlers_installed) {
    install_handlers();
    c.handlers_installed = true;
  }
  c.input_terminal = isatty(STDIN_FILENO) == 1;
  c.output_terminal = isatty(STDOUT_FILENO) == 1;
  termios saved;
  if (c.input_terminal && tcgetattr(STDIN_FILENO, &saved) == 0) {
    g_saved_mode = saved;
    g_raw_mode = raw_mode_of(saved);
    c.erase_char = saved.c_cc[VERASE];
    g_raw_active = 1;
    // TCSADRAIN, not TCSAFLUSH: keys typed ahead must not be thrown away.
    if (tcsetattr(STDIN_FILENO, TCSADRAIN, &g_raw_mode) != 0) g_raw_active = 0;
  }
  c.screen = c.output_terminal && g_raw_active;
  g_show_cursor_on_exit = c.screen ? 1 : 0;
}

void end_console() {
  Console& c = console();
  if (!c.started) return;
  if (g_raw_active) {
    set_mode(g_saved_mode);
    g_raw_active = 0;
  }
  if (c.screen) write_console(kShowCursor);
  g_show_cursor_on_exit = 0;
  c.started = false;
}

bool console_has_screen() {
  start_console();
  return console().screen;
}

CursorPosition cursor_position() {
  start_console();
  Console& c = console();
  if (!c.screen) {
    CursorPosition assumed = c.last_known;
    assumed.known = false;
    return assumed;
  }
  write_console(kQueryCursor);
  ++c.unanswered_queries;
  const auto deadline =
      Clock::now() + std::chrono::milliseconds(kCursorReplyWaitMs);
  HandOver got;
  for (;;) {
    // Keys typed before the answer go to the queue, in order; what follows
    // the answer stays pending.
    got = hand_over(kAllKeys, true);
    if (got.report) break;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - Clock::now()).count();
    if (left <= 0 || c.input_ended) break;
    // Wake up in time to finish a lone ESC typed meanwhile.
    int wait = static_cast<int>(left);
    if (!c.pending.empty() && wait > kEscapeWaitMs) wait = kEscapeWaitMs;
    read_available(wait);
  }
  if (got.report) {
    c.last_known = got.position;
    c.anchored = false;
    return got.position;
  }
  // No answer: tie the assumed position to where the cursor really is.
  write_console(kSaveCursor);
  c.anchored = true;
  c.anchor = c.last_known;
  CursorPosition assumed = c.last_known;
  assumed.known = false;
  return assumed;
}

int cursor_column() { return cursor_position().column; }

int cursor_row() { return cursor_position().row; }

int window_columns() { return window_size().ws_col; }

std::string place_cursor_sequence(int row, int column, bool visible) {
  start_console();
  const Console& c = console();
  if (!c.screen) return "";
  std::string s;
  if (!visible) s += kHideCursor;
  bool inside = row >= 1 && column >= 1;
  if (inside && !c.anchored) {
    winsize size = window_size();
    if (size.ws_col > 0 && column > size.ws_col) inside = false;
    if (size.ws_row > 0 && row > size.ws_row) inside = false;
  }
  if (inside) {
    if (c.anchored)
      s += move_from_anchor(row, column);
    else
      s += "\x1b[" + number(row) + ";" + number(column) + "H";  // CUP
  }
  if (visible) s += kShowCursor;
  return s;
}

void place_cursor(int row, int column, bool visible) {
  write_console(place_cursor_sequence(row, column, visible));
}

void write_console(const std::string& bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = write(STDOUT_FILENO, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      pollfd out{STDOUT_FILENO, POLLOUT, 0};
      poll(&out, 1, 100);
      continue;
    }
    if (n <= 0) return;  // nowhere to write to: the text is lost, not the program
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

std::string poll_key() {
  start_console();
  if (!key_queue_empty()) return take_key();
  read_available(0);
  // One key at a time: keys behind it stay with the console, so that a key
  // pressed after the last one taken still ends a later wait_for_key.
  hand_over(1, false);
  return take_key();
}

bool console_input_ended() {
  const Console& c = console();
  return c.input_ended && c.pending.empty() && key_queue_empty();
}

bool read_input_line(std::string& line) {
  start_console();
  Console& c = console();
  const bool was_raw = g_raw_active != 0;
  if (was_raw) {
    // The terminal's own line editing and echo for the time of the line.
    g_raw_active = 0;
    set_mode(g_saved_mode);
  }
  // Keys that reached the terminal while it was still in raw mode (typed or
  // pasted just as the program started) come as they were typed, Enter as
  // a CR that the line discipline never turned into LF; the switch back
  // hands them over as one unfinished line. A CR ends the line on a
  // terminal too, or the program would sit waiting for another Enter.
  const char* line_ends = was_raw ? "\r\n" : "\n";
  bool got = false;
  for (;;) {
    std::size_t end = c.pending.find_first_of(line_ends);
    if (end != std::string::npos) {
      line = c.pending.substr(0, end);
      std::size_t after = end + 1;
      if (c.pending[end] == '\r' && after < c.pending.size() && c.pending[after] == '\n') ++after;
      c.pending.erase(0, after);
      got = true;
      break;
    }
    if (read_available(-1) == ReadOutcome::end) {
      got = !c.pending.empty();
      line = c.pending;
      c.pending.clear();
      break;
    }
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (!got) line.clear();
  if (was_raw) {
    g_raw_active = 1;
    set_mode(g_raw_mode);
  }
  // The line is taken; input read beyond it counts as keys pressed since.
  check_key_flag();
  if (!c.pending.empty()) note_key_press();
  return got;
}

void wait_for_key() {
  start_console();
  for (;;) {
    if (key_pressed_since_last_check()) return;
    if (console().input_ended) return;  // nothing can come any more
    pause_ms(kKeyCheckStepMs);
  }
}

void sleep_ms(int ms) {
  if (ms == -1) {
    wait_for_key();
    return;
  }
  if (ms < 0) return;
  if (ms < kShortestCheckedSleepMs) {
    pause_ms(ms);
    return;
  }
  start_console();
  int left = ms;
  while (left > kKeyCheckStepMs) {
    if (key_pressed_since_last_check()) return;
    pause_ms(kKeyCheckStepMs);
    left -= kKeyCheckStepMs;
  }
  pause_ms(left);
}

}  // namespace rt
