#include "console/edit_line.h"

#include <climits>

#include "console/keys.h"
#include "console/line_editor.h"
#include "console/terminal.h"
#include "text/console_print.h"

namespace rt {
namespace {

// The edit buffer of the last call, added blank included; kept across calls
// so that Right on an empty line can bring it back.
std::string last_entry;

// The editing loop polls with this pause whenever no key is waiting.
constexpr int kKeyPollPauseMs = 1;

int column_at(int start_column, Pos offset) {
  Pos column = start_column + offset;
  return column > INT_MAX ? INT_MAX : static_cast<int>(column);
}

// Cells from the start column to the window's right edge; 0 when that is
// not known, and then nothing is scrolled.
Pos room_from(const CursorPosition& start) {
  if (!start.known) return 0;
  int columns = window_columns();
  return columns >= start.column ? columns - start.column + 1 : 0;
}

void show(const ScreenUpdate& update, int row, int start_column) {
  const int cursor_column = column_at(start_column, update.cursor_offset);
  switch (update.kind) {
    case ScreenUpdate::Kind::none:
      return;
    case ScreenUpdate::Kind::place:
      place_cursor(row, cursor_column, true);
      return;
    case ScreenUpdate::Kind::redraw:
      // One write, so the screen never shows half a redraw.
      write_console(place_cursor_sequence(row, start_column, false) +
                    update.text +
                    place_cursor_sequence(row, cursor_column, true));
      return;
    case ScreenUpdate::Kind::print_at_cursor:
      write_console(update.text +
                    place_cursor_sequence(row, cursor_column, true));
      return;
  }
}

std::string edit_plain_line(const std::string& default_text) {
  std::string line;
  if (!read_input_line(line) || line.empty()) line = default_text;
  print_text(line);
  return line;
}

std::string edit_on_screen(const std::string& default_text) {
  LineEdit edit = begin_edit(default_text);
  const CursorPosition start = cursor_position();
  const int row = start.row;
  LineView view;

  ScreenUpdate first = plan_update(EditAction::redraw, edit, view, room_from(start));
  write_console(place_cursor_sequence(row, start.column, true) + first.text +
                place_cursor_sequence(
                    row, column_at(start.column, first.cursor_offset), true));

  for (;;) {
    std::string key = poll_key();
    if (key.empty()) {
      // A terminal that is gone sends no Enter: leave as with Escape.
      if (console_input_ended()) key = std::string(1, kEscapeKey);
      else {
        sleep_ms(kKeyPollPauseMs);
        continue;
      }
    }
    EditAction action = apply_key(edit, key, last_entry);
    if (action == EditAction::finish) break;
    show(plan_update(action, edit, view, room_from(start)), row, start.column);
  }
  return edit_result(edit);
}

}  // namespace

std::string edit_line(const std::string& default_text) {
  if (last_entry.empty()) last_entry = " ";
  std::string result = console_has_screen() ? edit_on_screen(default_text)
                                            : edit_plain_line(default_text);
  last_entry = result + " ";
  return result;
}

}  // namespace rt
