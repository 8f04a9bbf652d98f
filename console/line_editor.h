// The editing rules of the input line, free of any terminal, so that every
// key can be tested as a plain step: (buffer, index, key) -> (buffer, index,
// what the screen must do).
//
// The buffer is the text being edited with one blank added at its end; no
// key removes that blank. The index is the 1-based buffer position under the
// cursor, from 1 to the buffer's length. On screen the buffer's first shown
// character sits at the start column, and the cursor at the start column +
// index - first shown position.
#pragma once

#include <string>

#include "text/texts.h"
#include "text/visible_text.h"

namespace rt {

struct LineEdit {
  std::string buffer;          // the text with the added blank
  Pos index = 1;               // 1-based; the buffer's length means "after the text"
  std::string default_buffer;  // the default with the added blank; Escape restores it
  // How the console's bytes form characters: in UTF-8 a character is one
  // valid sequence, in a double-byte code page a lead and a trail byte (a
  // byte that starts no valid character is a character of its own), else
  // one byte.
  CharacterSet characters = CharacterSet::single_byte_with_c1;
};

// What a key asks of the screen.
enum class EditAction {
  none,             // nothing changes
  place,            // only the cursor moves
  redraw,           // the buffer is reprinted from the start column
  print_at_cursor,  // the recalled buffer is printed where the cursor stands
                    // (the start column), then the cursor is placed
  finish,           // Enter or Escape: editing ends
};

// A buffer holding default_text and the added blank, the cursor after the
// text; characters as the console's character set forms them.
LineEdit begin_edit(const std::string& default_text,
                    CharacterSet characters = CharacterSet::single_byte_with_c1);

// Applies one key text (see console/keys.h) to the edit. Character keys
// 32..255 insert their byte before the cursor (a byte that leaves a UTF-8
// sequence or a double-byte character unfinished before the cursor asks for
// no drawing yet); Backspace removes the character before it; Enter
// finishes; Escape restores the default buffer, with the cursor after its
// text, and finishes (the caller draws the restored line); other control
// characters are ignored. Special keys: Left, Right, Home,
// End move; Delete removes the character under the cursor; Right on the
// blank of an empty line brings back last_entry (a whole earlier buffer,
// added blank included); every other special key is ignored.
EditAction apply_key(LineEdit& edit, const std::string& key,
                     const std::string& last_entry);

// The edited text: the buffer without its added blank.
std::string edit_result(const LineEdit& edit);

// Which part of the buffer the line shows, measured in cells: a wide or
// double-byte character takes two, a combining mark none, a command
// character its visible form (^[), a byte that starts no valid character
// one (shown as ?).
// While the buffer fits between the start column and the window's right
// edge, all of it is shown and the screen changes exactly as the EditAction
// says. A longer buffer is shown as a window of the available width that
// follows the cursor, made of whole characters.
struct LineView {
  Pos first = 1;  // buffer position shown at the start column
  Pos drawn = 0;  // cells from the start column that may still show
                  // non-blank characters of an earlier print
};

struct ScreenUpdate {
  EditAction kind = EditAction::none;  // never finish
  std::string text;       // what to print (redraw, print_at_cursor): the
                          // characters' visible forms, no control bytes
  Pos cursor_offset = 0;  // cursor column - start column afterwards
};

// Turns an action into the screen update for a line whose start column has
// width cells up to the right edge (0: unknown, no limit), and moves the view
// along. A cursor move that leaves the shown window becomes a redraw.
ScreenUpdate plan_update(EditAction action, const LineEdit& edit,
                         LineView& view, Pos width);

}  // namespace rt
