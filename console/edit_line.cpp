#include "console/edit_line.h"

#include <algorithm>
#include <climits>

#include "console/keys.h"
#include "console/line_editor.h"
#include "console/terminal.h"
#include "text/console_print.h"
#include "text/visible_text.h"

namespace rt {
namespace {

// The edit buffer of the last call, added blank included; kept across calls
// so that Right on an empty line can bring it back.
std::string last_entry;

// The editing loop polls with this pause whenever no key is waiting.
constexpr int kKeyPollPauseMs = 1;
// A window narrower than the prompt and this many cells shows the text
// alone when the row is drawn afresh, so that it keeps a readable strip.
constexpr std::size_t kLeastRoom = 8;

// Where the line's first shown cell stands.
struct LineStart {
  int row = 1;
  int column = 1;
  bool known = false;  // the terminal told the position
};

int column_at(int start_column, Pos offset) {
  Pos column = start_column + offset;
  return column > INT_MAX ? INT_MAX : static_cast<int>(column);
}

// Cells from the start column to the window's right edge; 0 when that is
// not known, and then nothing is scrolled.
Pos room_from(const LineStart& start) {
  if (!start.known) return 0;
  int columns = window_columns();
  return columns >= start.column ? columns - start.column + 1 : 0;
}

// One drawing per update, so the screen never shows half a redraw.
void show(const ScreenUpdate& update, int row, int start_column) {
  const int cursor_column = column_at(start_column, update.cursor_offset);
  switch (update.kind) {
    case EditAction::place:
      place_cursor(row, cursor_column, true);
      return;
    case EditAction::redraw:
      draw_line(row, start_column, update.text, cursor_column, Drawing::again);
      return;
    case EditAction::print_at_cursor:
      // Only blanks are under the cursor (the empty line): the recalled
      // text is shown over them and nothing needs hiding.
      draw_line(row, start_column, update.text, cursor_column, Drawing::at_cursor);
      return;
    case EditAction::none:
    case EditAction::finish:
      return;
  }
}

// The line's first drawing: where the cursor stands, nothing of the line
// is on the screen yet to hide. Drawn as every later drawing is, so that a
// default reaching the right edge of the window's last row neither wraps
// nor scrolls the row away under the line.
void show_first(const ScreenUpdate& update, int row, int start_column) {
  draw_line(row, start_column, update.text, column_at(start_column, update.cursor_offset),
            Drawing::first);
}

// Without a screen the line is read plainly. Typed on a keyboard (a
// terminal without cursor control, or output redirected), only its
// character keys count. The terminal's echo has shown what was typed; the
// answer is printed where that echo is not on the same screen, and where
// the default was taken without a word.
std::string edit_plain_line(const std::string& default_text) {
  std::string line;
  const bool got = read_input_line(line);
  const bool typed = console_has_keys();
  if (typed) line = character_keys_of(line, KeyDecodeOptions{});
  const bool echoed = typed && console_output_is_terminal();
  if (!got || line.empty()) {
    line = default_text;
    print_text(line);
  } else if (!echoed) {
    print_text(line);
  }
  return line;
}

// The prompt as it is drawn again, visible; left out where the window is
// too narrow for it and a readable strip of the text.
std::string prompt_for(std::size_t columns, CharacterSet characters) {
  std::string prompt = visible_text(printed_line_tail(), characters);
  if (columns > 0 && text_cells(prompt, characters) + kLeastRoom > columns) return "";
  return prompt;
}

// After a resize or a resume the screen is not what was drawn: the
// terminal may have rewrapped the row, or a shell has written below it.
// The row is found again where the cursor now stands (when the terminal
// rewrapped the line, the row where the line begins), erased to the end of
// the screen, and the prompt and the line are drawn there afresh.
void draw_afresh(const LineEdit& edit, LineView& view, LineStart& start,
                 Pos& cursor_offset) {
  const Pos cell_before = start.column - 1 + cursor_offset;
  // A terminal that never answered keeps its placements relative to the
  // cursor saved at the line's start; asking again would move that mark.
  CursorPosition now{start.row, start.column, false};
  if (start.known) now = cursor_position();
  const int columns = window_columns();
  int row = now.row;
  if (now.known && columns > 0 && cell_before >= columns &&
      now.column - 1 == cell_before % columns)
    row = std::max<Pos>(1, now.row - cell_before / columns);
  const std::string prompt =
      prompt_for(columns > 0 ? static_cast<std::size_t>(columns) : 0, edit.characters);
  start.row = row;
  start.column = 1 + static_cast<int>(text_cells(prompt, edit.characters));
  start.known = now.known;
  view = LineView{};
  const ScreenUpdate u = plan_update(EditAction::redraw, edit, view, room_from(start));
  draw_line(row, 1, prompt + u.text, column_at(start.column, u.cursor_offset), Drawing::afresh);
  cursor_offset = u.cursor_offset;
}

std::string edit_on_screen(const std::string& default_text) {
  LineEdit edit = begin_edit(default_text, console_character_set());
  const CursorPosition first_place = cursor_position();
  LineStart start{first_place.row, first_place.column, first_place.known};
  LineView view;

  ScreenUpdate first = plan_update(EditAction::redraw, edit, view, room_from(start));
  show_first(first, start.row, start.column);
  Pos cursor_offset = first.cursor_offset;

  for (;;) {
    if (console_disturbed()) draw_afresh(edit, view, start, cursor_offset);
    std::string key = poll_key();
    if (key.empty()) {
      // A terminal that is gone sends no Enter: leave as with Escape.
      if (console_input_ended()) key = std::string(1, kEscapeKey);
      else {
        sleep_ms(kKeyPollPauseMs);
        continue;
      }
    }
    const std::string shown = edit.buffer;
    EditAction action = apply_key(edit, key, last_entry);
    if (action == EditAction::finish) {
      // Escape took the default back: the line shows what the run goes on
      // with, never an edited text it drops.
      if (edit.buffer != shown)
        show(plan_update(EditAction::redraw, edit, view, room_from(start)), start.row, start.column);
      break;
    }
    const ScreenUpdate u = plan_update(action, edit, view, room_from(start));
    show(u, start.row, start.column);
    if (u.kind != EditAction::none) cursor_offset = u.cursor_offset;
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
