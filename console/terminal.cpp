// The portable console: the session, the key queue's feeding, the escape
// wait, the cursor query with its fallback, the places of the cursor, plain
// line input, the pauses and the waits, over the native layer of
// platform/console.h.
#include "console/terminal.h"

#include <chrono>
#include <cstdlib>
#include <deque>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "console/key_events.h"
#include "console/key_queue.h"
#include "console/keys.h"
#include "platform/console.h"
#include "text/files.h"

namespace rt {
namespace {

using Clock = std::chrono::steady_clock;

// How long a cursor position query waits for the terminal's answer.
constexpr int kCursorReplyWaitMs = 200;
// The step of wait_for_key and of long sleep_ms pauses.
constexpr int kKeyCheckStepMs = 50;
// sleep_ms checks for keys from this many milliseconds on.
constexpr int kShortestCheckedSleepMs = 100;
// sleep_ms(kWaitForKeyMs) is wait_for_key.
constexpr int kWaitForKeyMs = -1;
constexpr int kAllKeys = 1 << 30;

struct Console {
  bool restorers_installed = false;
  bool started = false;
  native::ConsoleTraits traits{};
  std::string pending;  // bytes read but not yet handed to the key queue
  // Keys the console delivered as events (Windows), not yet handed to the
  // key queue; they go there one at a time, as decoded bytes do.
  std::deque<std::string> pending_keys;
  Clock::time_point last_byte_time{};
  bool input_ended = false;
  int unanswered_queries = 0;
  CursorPosition last_known{};
  // The cursor query went unanswered: places are given from the cursor
  // marked where the position was assumed, which stands at marked_at.
  bool marked = false;
  CursorPosition marked_at{};
};

Console& console() {
  static Console* c = new Console;  // never destroyed: a session may end during exit
  return *c;
}

void pause_ms(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Where row and column lie for the native layer: from the mark once the
// terminal failed to answer, else as they are (and a place before the first
// row or column is refused there as outside the console).
native::CursorPlace place_of(int row, int column) {
  const Console& c = console();
  if (c.marked && row >= 1 && column >= 1)
    return native::CursorPlace{row - c.marked_at.row, column - c.marked_at.column, true};
  return native::CursorPlace{row, column, false};
}

// Waits up to timeout_ms for input: bytes go to pending, ready key texts to
// pending_keys.
native::InputOutcome read_input(int timeout_ms) {
  Console& c = console();
  if (c.input_ended) return native::InputOutcome::ended;
  std::vector<ConsoleKeyEvent> events;
  const std::size_t before = c.pending.size();
  const native::InputOutcome got =
      native::read_console_input(timeout_ms, c.pending, events);
  std::vector<std::string> keys;
  for (const ConsoleKeyEvent& event : events) append_key_texts(event, keys);
  if (got == native::InputOutcome::ended) c.input_ended = true;
  if (c.pending.size() > before) {
    c.last_byte_time = Clock::now();
    // Without a screen the bytes stay raw for read_input_line, so their
    // arrival is what counts as a key press.
    if (!c.traits.screen) note_key_press();
  }
  c.pending_keys.insert(c.pending_keys.end(), keys.begin(), keys.end());
  return got;
}

struct HandOver {
  int keys = 0;
  bool report = false;
  CursorPosition position{};
};

// Moves at most max_keys of the keys delivered as events into the key
// queue; returns how many.
int hand_over_key_events(int max_keys) {
  Console& c = console();
  int moved = 0;
  while (!c.pending_keys.empty() && moved < max_keys) {
    push_key(c.pending_keys.front());
    c.pending_keys.pop_front();
    ++moved;
  }
  return moved;
}

// Hands keys over to the key queue, those delivered as events first, then
// decoded pending bytes: at most max_keys keys, and stopping after a cursor
// report when stop_at_report. An unfinished sequence stays pending until
// kEscapeWaitMs have passed without a byte.
HandOver hand_over(int max_keys, bool stop_at_report) {
  Console& c = console();
  HandOver result;
  result.keys = hand_over_key_events(max_keys);
  while (!c.pending.empty() && result.keys < max_keys) {
    const bool more_may_follow =
        !c.input_ended &&
        Clock::now() - c.last_byte_time < std::chrono::milliseconds(kEscapeWaitMs);
    KeyDecodeOptions options;
    options.erase_char = c.traits.erase_char;
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
  // One read per check: a stream that never pauses cannot keep us here.
  read_input(0);
  // Without a screen the bytes are kept for read_input_line; their arrival
  // has set the flag already. Keys that came as events are keys either way.
  if (console().traits.screen) hand_over(kAllKeys, false);
  else hand_over_key_events(kAllKeys);
}

bool key_pressed_since_last_check() {
  take_in_all_keys();
  return check_key_flag();
}

// Asks in band and waits for the answer; keys typed before it go to the
// queue, in order, and what follows it stays pending.
bool query_cursor(CursorPosition& position) {
  Console& c = console();
  native::send_cursor_query();
  ++c.unanswered_queries;
  const auto deadline =
      Clock::now() + std::chrono::milliseconds(kCursorReplyWaitMs);
  for (;;) {
    HandOver got = hand_over(kAllKeys, true);
    if (got.report) {
      position = got.position;
      return true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - Clock::now()).count();
    if (left <= 0 || c.input_ended) return false;
    // Wake up in time to finish a lone ESC typed meanwhile.
    int wait = static_cast<int>(left);
    if (!c.pending.empty() && wait > kEscapeWaitMs) wait = kEscapeWaitMs;
    read_input(wait);
  }
}

std::terminate_handler previous_terminate = nullptr;

[[noreturn]] void end_console_on_terminate() {
  native::end_console_mode();
  if (previous_terminate != nullptr) previous_terminate();
  std::abort();
}

// The terminal is given back however the program ends: by the platform's
// signals or events, at exit, and when an exception escapes.
void install_restorers() {
  native::install_console_restorers(leave_open_files_at_exit);
  std::atexit(native::end_console_mode);
  previous_terminate = std::set_terminate(end_console_on_terminate);
}

}  // namespace

ConsoleSession::ConsoleSession() {
  Console& c = console();
  if (c.started) return;
  if (!c.restorers_installed) install_restorers();
  c.restorers_installed = true;
  c.started = true;
  c.traits = native::start_console_mode();
  c.marked = false;
}

ConsoleSession::~ConsoleSession() {
  Console& c = console();
  if (!c.started) return;
  native::end_console_mode();
  c.started = false;
  c.traits = native::ConsoleTraits{};
}

bool console_has_screen() { return console().traits.screen; }

bool console_has_keys() { return console().traits.keys; }

CursorPosition cursor_position() {
  Console& c = console();
  CursorPosition assumed = c.last_known;
  assumed.known = false;
  if (!c.traits.screen) return assumed;
  CursorPosition now;
  c.marked = false;
  if (native::cursor_position_now(now.row, now.column) ||
      (c.traits.cursor_report_in_input && query_cursor(now))) {
    now.known = true;
    c.last_known = now;
    return now;
  }
  // No answer: tie the assumed position to where the cursor really is.
  native::mark_cursor();
  c.marked = true;
  c.marked_at = assumed;
  return assumed;
}

int window_columns() { return native::window_size().columns; }

void place_cursor(int row, int column, bool visible) {
  if (console().traits.screen) native::place_cursor(place_of(row, column), visible);
}

void draw_line(int row, int start_column, const std::string& text, int cursor_column,
               Drawing drawing) {
  if (console().traits.screen)
    native::draw_line(place_of(row, start_column), text, place_of(row, cursor_column), drawing);
}

bool console_disturbed() { return native::console_disturbed(); }

std::string poll_key() {
  if (!key_queue_empty()) return take_key();
  read_input(0);
  // One key at a time: keys behind it stay with the console, so that a key
  // pressed after the last one taken still ends a later wait_for_key.
  hand_over(1, false);
  return take_key();
}

bool console_input_ended() {
  const Console& c = console();
  return c.input_ended && c.pending.empty() && c.pending_keys.empty() && key_queue_empty();
}

bool read_input_line(std::string& line) {
  Console& c = console();
  const bool was_raw = c.traits.keys;
  // The terminal's own line editing and echo for the time of the line.
  if (was_raw) native::set_line_mode(true);
  // Keys that reached the terminal while it was still in raw mode (typed or
  // pasted just as the program started) come as they were typed, Enter as
  // a CR that the line discipline never turned into LF; the switch back
  // hands them over as one unfinished line. A CR ends the line on a
  // terminal too, or the program would sit waiting for another Enter.
  // Ctrl-D (EOT) on a terminal ends the line where it stands.
  const std::string line_ends = was_raw ? std::string("\r\n") + kEndOfTransmission : "\n";
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
    if (read_input(native::kNoTimeLimit) == native::InputOutcome::ended) {
      got = !c.pending.empty();
      line = c.pending;
      c.pending.clear();
      break;
    }
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (!got) line.clear();
  if (was_raw) native::set_line_mode(false);
  // The line is taken; input read beyond it counts as keys pressed since.
  check_key_flag();
  if (!c.pending.empty()) note_key_press();
  return got;
}

void wait_for_key() {
  for (;;) {
    if (key_pressed_since_last_check()) return;
    if (console().input_ended) return;  // nothing can come any more
    pause_ms(kKeyCheckStepMs);
  }
}

void sleep_ms(int ms) {
  if (ms == kWaitForKeyMs) {
    wait_for_key();
    return;
  }
  if (ms < 0) return;
  if (ms < kShortestCheckedSleepMs) {
    pause_ms(ms);
    return;
  }
  int left = ms;
  while (left > kKeyCheckStepMs) {
    if (key_pressed_since_last_check()) return;
    pause_ms(kKeyCheckStepMs);
    left -= kKeyCheckStepMs;
  }
  pause_ms(left);
}

}  // namespace rt
