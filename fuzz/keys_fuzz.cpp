// Terminal input decoding (decode_input) and the input line's editing and
// screen plan (apply_key, plan_update) on arbitrary bytes from the terminal.
//
// Input: one byte for the room from the start column to the right edge
// (modulo 48; 0 means unknown), one byte of flags (bit 0: a cursor report
// is expected), then the default text up to the first LF, then the bytes
// the terminal sends.
//
// Checks, besides the sanitizers:
// - decode_input is incomplete only with more bytes to come and then uses
//   nothing; otherwise it uses 1 to all of the bytes and gives a character
//   key other than NUL, a special key (255 and a code) or a cursor report of
//   a row and column from 1 on;
// - a key or report decoded while more bytes may follow stays the same when
//   more bytes do arrive;
// - the keys, applied to the line, keep its added blank and (until Enter or
//   Escape ends the editing) the cursor inside the buffer, and Escape
//   brings back the default, with the cursor after it, drawn on the line;
// - the screen, updated as plan_update says from an empty line, shows at
//   every step the buffer's window and blanks after it, nothing printed
//   runs past the right edge, and the cursor stands at index - first.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "console/keys.h"
#include "console/line_editor.h"
#include "fuzz/fuzz_support.h"
#include "text/visible_text.h"

namespace {

using rt::fuzz::fail;
using rt::fuzz::require;
using rt::fuzz::shown;

constexpr int kWidestRoom = 48;

// The previous call's buffer, which Right on an empty line brings back.
const std::string kLastEntry = "C:\\alt\\filme ";

bool same_decoding(const rt::DecodedInput& a, const rt::DecodedInput& b) {
  return a.status == b.status && a.length == b.length && a.key == b.key && a.row == b.row && a.column == b.column;
}

// The cells from the start column on, and the cursor, as a terminal would
// show them after the updates.
struct Screen {
  std::string cells;
  rt::Pos cursor = 0;

  void print(const std::string& text) {
    if (cells.size() < static_cast<std::size_t>(cursor) + text.size()) {
      cells.resize(static_cast<std::size_t>(cursor) + text.size(), ' ');
    }
    cells.replace(static_cast<std::size_t>(cursor), text.size(), text);
    cursor += rt::text_length(text);
  }
};

void show(Screen& screen, const rt::ScreenUpdate& update, rt::Pos room) {
  switch (update.kind) {
    case rt::EditAction::none:
    case rt::EditAction::finish:  // never a screen update
      return;
    case rt::EditAction::place:
      break;
    case rt::EditAction::redraw:
      screen.cursor = 0;
      screen.print(update.text);
      break;
    case rt::EditAction::print_at_cursor:
      screen.print(update.text);
      break;
  }
  if (room > 0) require(screen.cursor <= room, "nothing is printed past the right edge", shown(update.text));
  screen.cursor = update.cursor_offset;
}

// The cells the buffer's window shows from view.first: each byte in its
// visible form (a command byte as ^[ and the like), whole forms only up to
// the right edge.
std::string window_cells(const rt::LineEdit& edit, const rt::LineView& view, rt::Pos room) {
  std::string cells;
  for (std::size_t at = static_cast<std::size_t>(view.first - 1); at < edit.buffer.size(); ++at) {
    const std::string form = rt::visible_text(edit.buffer.substr(at, 1), rt::CharacterSet::single_byte_with_c1);
    if (room > 0 && rt::text_length(cells) + rt::text_length(form) > room) break;
    cells += form;
  }
  return cells;
}

void check_screen(const Screen& screen, const rt::LineEdit& edit, const rt::LineView& view, rt::Pos room,
                  const std::string& input) {
  const std::string window = window_cells(edit, view, room);
  const rt::Pos length = rt::text_length(window);
  const rt::Pos shown_cells = room > 0 ? room : std::max<rt::Pos>(length, rt::text_length(screen.cells));
  for (rt::Pos cell = 0; cell < shown_cells; ++cell) {
    const char expected = cell < length ? window[static_cast<std::size_t>(cell)] : ' ';
    const char seen = cell < rt::text_length(screen.cells) ? screen.cells[static_cast<std::size_t>(cell)] : ' ';
    if (seen != expected) {
      fail("the screen shows the buffer's window and blanks after it",
           "cell " + std::to_string(cell) + " shows " + shown(std::string(1, seen)) + " for " +
               shown(std::string(1, expected)) + "\nscreen " + shown(screen.cells) + "\nbuffer " +
               shown(edit.buffer) + " first " + std::to_string(view.first) + "\ninput " + shown(input));
    }
  }
  const rt::Pos cursor = rt::text_length(rt::visible_text(
      edit.buffer.substr(static_cast<std::size_t>(view.first - 1),
                         static_cast<std::size_t>(edit.index - view.first)),
      rt::CharacterSet::single_byte_with_c1));
  require(screen.cursor == cursor, "the cursor stands after the cells from first to index", shown(input));
  if (room > 0) require(screen.cursor < room, "the cursor stays inside the window", shown(input));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::string input = rt::fuzz::input_text(data, size);
  const rt::Pos room = data[0] % kWidestRoom;
  rt::KeyDecodeOptions options;
  options.cursor_report_expected = (data[1] & 1) != 0;
  const std::size_t line_end = input.find('\n', 2);
  const std::string default_text = input.substr(2, line_end == std::string::npos ? std::string::npos : line_end - 2);
  std::string pending = line_end == std::string::npos ? std::string() : input.substr(line_end + 1);

  rt::LineEdit edit = rt::begin_edit(default_text);
  rt::LineView view;
  Screen screen;
  show(screen, rt::plan_update(rt::EditAction::redraw, edit, view, room), room);
  check_screen(screen, edit, view, room, input);

  bool editing = true;
  while (!pending.empty()) {
    rt::DecodedInput decoded = rt::decode_input(pending, true, options);
    if (decoded.status == rt::DecodeStatus::incomplete) {
      require(decoded.length == 0, "an incomplete sequence uses nothing", shown(pending));
      decoded = rt::decode_input(pending, false, options);
      require(decoded.status != rt::DecodeStatus::incomplete, "without more bytes nothing is incomplete",
              shown(pending));
    } else {
      for (const char* more : {"\x1b", "1;2R~A", "[", "5"}) {
        if (!same_decoding(rt::decode_input(pending + more, true, options), decoded)) {
          fail("a decoded key stays the same when more bytes arrive", shown(pending) + " then " + shown(more));
        }
      }
    }
    require(decoded.length >= 1 && decoded.length <= pending.size(), "decoding uses 1 to all of the bytes",
            shown(pending));
    if (decoded.status == rt::DecodeStatus::cursor_report) {
      require(decoded.row >= 1 && decoded.column >= 1, "a cursor report has a row and column from 1 on",
              shown(pending));
    } else {
      const std::string& key = decoded.key;
      const bool character = key.size() == 1 && key[0] != '\0';
      const bool special = key.size() == 2 && static_cast<unsigned char>(key[0]) == rt::kSpecialKeyPrefix;
      require(character || special, "a key is a character other than NUL or 255 and a code", shown(pending));
      if (editing) {
        const rt::EditAction action = rt::apply_key(edit, key, kLastEntry);
        require(!edit.buffer.empty() && edit.buffer.back() == ' ', "the added blank stays", shown(input));
        if (action == rt::EditAction::finish) {
          editing = false;
          if (key[0] == rt::kEscapeKey) {
            require(rt::edit_result(edit) == default_text, "Escape gives the default back", shown(input));
            require(edit.index == rt::text_length(edit.buffer), "Escape puts the cursor after the default",
                    shown(input));
            // The input line draws the default in the edited text's place.
            show(screen, rt::plan_update(rt::EditAction::redraw, edit, view, room), room);
            check_screen(screen, edit, view, room, input);
          }
        } else {
          require(edit.index >= 1 && edit.index <= rt::text_length(edit.buffer), "the cursor stays in the buffer",
                  shown(input));
          show(screen, rt::plan_update(action, edit, view, room), room);
          check_screen(screen, edit, view, room, input);
        }
      }
    }
    pending.erase(0, decoded.length);
  }
  return 0;
}
