// What each platform supplies beneath the console module: the console's
// mode and what gives it back, its raw input (bytes, or key events where
// the system delivers keys as events), the cursor and the window.
// Implemented by posix/console.cpp and win32/console.cpp.
//
// Every rule above this line is portable and written once in the console
// module: the session, the key queue and its flag, the escape wait, the
// cursor query with its fallback and the mark it leaves, plain line input,
// the pauses, wait_for_key and sleep_ms (console/terminal.cpp); the decoding
// of key bytes and of key events into key texts (console/keys.cpp,
// console/key_events.cpp); the input line's drawing plan
// (console/line_editor.cpp). Portable code never composes control bytes for
// a terminal: it asks this layer to place the cursor or to draw a line.
//
// Output bytes go through platform/console_output.h, the one owner of the
// console's output.
#pragma once

#include <string>
#include <vector>

#include "platform/shared/drawing.h"
#include "platform/shared/key_event.h"

namespace rt {
namespace native {

// What the console can do, found out when it is started.
struct ConsoleTraits {
  // Keys can be read one at a time without echo: standard input is a
  // terminal (a console) and is now in raw mode. Ctrl-C still interrupts.
  bool keys = false;
  // The cursor can be asked for, placed and hidden, and lines drawn:
  // standard output is a terminal that understands cursor control (not
  // TERM=dumb or unset on POSIX), and keys is true.
  bool screen = false;
  // POSIX: the cursor position is asked for in band; its answer arrives
  // among the key bytes and is found there by decode_input. Windows: false,
  // cursor_position_now answers at once.
  bool cursor_report_in_input = false;
  // The terminal's erase character (termios VERASE), read as Backspace.
  unsigned char erase_char = 127;
};

// Installs what gives the console its saved mode back when the program
// ends by the platform's own ways (Ctrl-C and the other ending signals or
// console events) and across a stop (Ctrl-Z) and resume; the normal exit and
// an uncaught exception are the console session's (console/terminal.cpp).
// Called once, before the console is first started.
// on_ending_event, when given, is called first when the console's own
// events end the process from a thread of their own (Windows: Ctrl-C,
// closing the window), before the exit handlers run; it must be safe there
// (only set a flag). POSIX ends by re-raising the signal, which runs no
// exit handler, and calls nothing.
void install_console_restorers(void (*on_ending_event)());

// Saves the console's mode and enters raw mode on standard input when it
// is a terminal (applied after pending output, keeping typed-ahead keys).
ConsoleTraits start_console_mode();

// Gives the console its saved mode (and, on Windows, code pages) back and
// shows the cursor.
void end_console_mode();

// Line mode on: the system's own line editing and echo, for reading one
// plain line; off: raw mode again. Nothing happens without keys.
void set_line_mode(bool on);

enum class InputOutcome {
  got,      // something was appended
  nothing,  // the time ran out (or a signal came) with nothing new
  ended,    // input has ended for good (end of a pipe or file, a terminal
            // that hung up); nothing more will come
};

constexpr int kNoTimeLimit = -1;

// Waits up to timeout_ms (kNoTimeLimit, 0: not at all) for input and
// appends what is there: raw bytes, as a terminal sends them, to bytes
// (decoded above this line by decode_input), or key events to events,
// where the system delivers keys as events (a Windows console; turned into
// key texts above this line by append_key_texts). Without keys, the bytes
// of standard input as they are.
InputOutcome read_console_input(int timeout_ms, std::string& bytes,
                                std::vector<ConsoleKeyEvent>& events);

// Rows and columns below are 1-based and the native layer's own: within the
// window on a POSIX terminal; on Windows in the console's screen buffer,
// whose rows stay where they are when the user scrolls the view (the window
// is only the part of the buffer the user sees). Portable code takes them
// from cursor_position_now or the in-band answer and hands them back, and
// counts rows only relative to them.

// The cursor's position when the system can tell it at once; false when it
// cannot (then, with cursor_report_in_input, send_cursor_query asks in
// band).
bool cursor_position_now(int& row, int& column);

// Asks the terminal for the cursor position; the answer arrives as input.
void send_cursor_query();

// Marks the cursor's present place, for places given from the mark.
void mark_cursor();

// A place for the cursor: a row and column, or, when from_mark, rows down
// and columns right (negative: up and left) of the place mark_cursor
// marked. Such a place is not checked against the console's size.
struct CursorPlace {
  int row = 1;
  int column = 1;
  bool from_mark = false;
};

// Moves the cursor to place and shows or hides it. When the place lies
// beyond the width or outside the rows the console has (the window; on
// Windows the screen buffer), the cursor stays where it is, but its
// visibility is still set.
void place_cursor(const CursorPlace& place, bool visible);

// In one operation, so the screen never shows half a redraw and nothing
// wraps or scrolls: shows text from start on, clears what an earlier
// drawing of the line left beyond it (on POSIX after a change of the
// window, Drawing::afresh, everything below), and shows the cursor at
// cursor, in the same row. text holds no control bytes and fits between
// start and the window's right edge; it may end in its last column.
void draw_line(const CursorPlace& start, const std::string& text, const CursorPlace& cursor,
               Drawing drawing);

struct WindowSize {
  int rows = 0;     // 0: unknown
  int columns = 0;  // 0: unknown
};
WindowSize window_size();

// True once after the window changed its size or the program was resumed
// after a stop (Ctrl-Z, fg): what the screen shows may no longer be what was
// drawn, and the line is to be drawn afresh where the cursor now stands.
bool console_disturbed();

}  // namespace native
}  // namespace rt
