#include "console/edit_line.h"

#include <climits>

#include "console/keys.h"
#include "console/line_editor.h"
#include "console/native_console.h"
#include "console/terminal.h"
#include "text/console_print.h"
#include "text/native_console_output.h"

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

void print_at_cursor(const std::string& text) {
  native::write_console_output(text.data(), text.size());
}

// One native call per update, so the screen never shows half a redraw.
void show(const ScreenUpdate& update, int row, int start_column) {
  const int cursor_column = column_at(start_column, update.cursor_offset);
  switch (update.kind) {
    case ScreenUpdate::Kind::none:
      return;
    case ScreenUpdate::Kind::place:
      native::place_cursor(row, cursor_column, true);
      return;
    case ScreenUpdate::Kind::redraw:
      native::draw_line(row, start_column, update.text, cursor_column);
      return;
    case ScreenUpdate::Kind::print_at_cursor:
      // Only blanks are under the cursor (the empty line): the recalled
      // text is printed over them and nothing needs hiding.
      print_at_cursor(update.text);
      native::place_cursor(row, cursor_column, true);
      return;
  }
}

// The line's first drawing: where the cursor stands, nothing of the line
// is on the screen yet to hide.
void show_first(const ScreenUpdate& update, int row, int start_column) {
  native::place_cursor(row, start_column, true);
  print_at_cursor(update.text);
  native::place_cursor(row, column_at(start_column, update.cursor_offset), true);
}

std::string edit_plain_line(const std::string& default_text) {
  std::string line;
  if (!read_input_line(line) || line.empty()) line = default_text;
  print_text(line);
  return line;
}

std::string edit_on_screen(const std::string& default_text) {
  LineEdit edit = begin_edit(default_text, native::console_is_utf8());
  const CursorPosition start = cursor_position();
  const int row = start.row;
  LineView view;

  show_first(plan_update(EditAction::redraw, edit, view, room_from(start)),
             row, start.column);

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
