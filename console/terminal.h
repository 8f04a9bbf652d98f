// The console: keyboard input as key texts, the cursor and the input line's
// drawing, and the pauses and waits that look at the key queue. With
// text/console_print.h (printing) this is the one door through which the
// input line and the driver reach the terminal. Portable
// (console/terminal.cpp) over the native layer of platform/console.h.
//
// The console has a screen when standard input and standard output are both
// terminals and the terminal can place a cursor. Then input is read key by
// key in raw mode (no echo, no line editing by the terminal; Ctrl-C still
// interrupts) and the cursor is placed through the native layer, in order
// with print_text. Without a screen no cursor control is ever written:
// input is read as plain lines, and when standard input is a terminal it is
// still put in raw mode so that wait_for_key reacts to any key.
//
// The console is started by a ConsoleSession, and the terminal's own mode
// is given back on every way out: the session's end, a normal exit, SIGINT,
// SIGTERM, SIGHUP, SIGQUIT, SIGABRT and an uncaught exception (the signal
// is then raised again with its default action, so the program ends as it
// would have); SIGTSTP gives it back for the time the program is stopped.
// The cursor is shown again on the way out. Outside a session the console
// has neither keys nor a screen.
#pragma once

#include <string>

#include "platform/shared/drawing.h"

namespace rt {

// A lone ESC is the Escape key when nothing follows within this time.
constexpr int kEscapeWaitMs = 50;

// Holds the console for its lifetime: saves the terminal's mode and enters
// raw mode on standard input when it is a terminal (applied after pending
// output, keeping typed-ahead keys); its end gives the terminal its saved
// mode back and shows the cursor. One session at a time.
class ConsoleSession {
 public:
  ConsoleSession();
  ~ConsoleSession();
  ConsoleSession(const ConsoleSession&) = delete;
  ConsoleSession& operator=(const ConsoleSession&) = delete;
};

// Whether the cursor can be placed and lines drawn: standard input and
// standard output are both terminals, and the terminal has cursor control.
bool console_has_screen();

// Whether keys are read one at a time from a terminal (standard input is
// one), with or without a screen.
bool console_has_keys();

struct CursorPosition {
  int row = 1;
  int column = 1;
  bool known = false;  // false: the terminal did not answer in time
};

// Asks the terminal where the cursor is (1-based; within the window, or on
// Windows within the console's screen buffer, see platform/console.h) and
// waits at most about 200 ms for the answer; keys that arrive meanwhile go
// to the key queue in order. Without an answer (or without a screen) the
// last known position is given, 1/1 at first, and that position is tied to
// the cursor's actual place, so that place_cursor and draw_line still work
// relative to it.
CursorPosition cursor_position();

// The window's width in columns; 0 when unknown.
int window_columns();

// Moves the cursor to row and column and shows or hides it. When the
// column lies beyond the window's width or the row outside the window, the
// cursor stays where it is, but its visibility is still set. Nothing is
// written without a screen.
void place_cursor(int row, int column, bool visible);

// In one operation, so the screen never shows half a redraw and nothing
// wraps or scrolls: shows text from start_column of row on, clears what an
// earlier drawing of the line left beyond it, and shows the cursor at
// cursor_column of row. text holds no control bytes and fits between
// start_column and the window's right edge; it may end in its last column.
// Nothing is written without a screen.
void draw_line(int row, int start_column, const std::string& text, int cursor_column,
               Drawing drawing);

// True once after the window changed its size or the program was resumed
// after a stop (Ctrl-Z, fg): what the screen shows may no longer be what was
// drawn, and the line is to be drawn afresh where the cursor now stands.
bool console_disturbed();

// The next key text from the key queue, without waiting and without echo;
// "" when no key is waiting. A lone ESC counts as the Escape key once about
// 50 ms have passed without a further byte.
std::string poll_key();

// Whether standard input has ended (end of a pipe or file, a terminal that
// hung up). Nothing more will arrive.
bool console_input_ended();

// Reads one line of plain input: the bytes up to LF, without it and without
// one CR before it. On a terminal the terminal's own line editing and echo
// are used for the time of the reading, and a CR ends the line as well (an
// Enter typed while the terminal was still in raw mode). Returns false when
// input ended before any byte of a line.
bool read_input_line(std::string& line);

// Blocks until a key press has reached the key queue since a key was last
// taken (checking every 50 ms); the key stays in the queue. Also returns
// when standard input has ended, and, without a screen, as soon as any
// input byte is there.
void wait_for_key();

// ms = -1: wait_for_key. Other negative ms: returns at once. 0..99: pauses
// ms milliseconds. 100 and more: pauses, and while more than 50 ms are left
// checks every 50 ms for a key press as wait_for_key does, returning early
// when there was one.
void sleep_ms(int ms);

}  // namespace rt
