#include "console/line_editor.h"

#include <algorithm>
#include <vector>

#include "console/keys.h"
#include "text/visible_text.h"

namespace rt {
namespace {

// What a byte that starts no valid character shows as: one cell, always.
constexpr char kInvalidByteShown = '?';

// One character of the buffer as the line shows it.
struct Glyph {
  Pos at = 1;       // 1-based buffer position of its first byte
  Pos length = 1;   // its bytes
  Pos cells = 1;    // its width on the screen
  std::string shown;
};

Glyph glyph_at(const std::string& buffer, std::size_t at, CharacterSet set) {
  Glyph g;
  g.at = static_cast<Pos>(at) + 1;
  const TextCharacter c = character_at(buffer, at, set);
  if (!c.valid) {
    g.shown = std::string(1, kInvalidByteShown);
    return g;
  }
  g.length = static_cast<Pos>(c.length);
  if (is_command_character(c, set)) {
    g.shown = shown_command_character(c.code);
    g.cells = text_length(g.shown);
  } else {
    g.shown = buffer.substr(at, c.length);
    g.cells = character_cells(c, set);
  }
  return g;
}

std::vector<Glyph> glyphs_of(const std::string& buffer, CharacterSet set) {
  std::vector<Glyph> glyphs;
  std::size_t at = 0;
  while (at < buffer.size()) {
    glyphs.push_back(glyph_at(buffer, at, set));
    at += static_cast<std::size_t>(glyphs.back().length);
  }
  return glyphs;
}

// The glyph that holds buffer position index.
std::size_t glyph_holding(const std::vector<Glyph>& glyphs, Pos index) {
  std::size_t k = 0;
  while (k + 1 < glyphs.size() && glyphs[k + 1].at <= index) ++k;
  return k;
}

// Buffer positions of the characters before and after the one at index.
Pos previous_start(const LineEdit& edit) {
  const std::vector<Glyph> glyphs = glyphs_of(edit.buffer, edit.characters);
  const std::size_t k = glyph_holding(glyphs, edit.index);
  return k == 0 ? 1 : glyphs[k - 1].at;
}

Pos next_start(const LineEdit& edit) {
  const std::vector<Glyph> glyphs = glyphs_of(edit.buffer, edit.characters);
  const Glyph& g = glyphs[glyph_holding(glyphs, edit.index)];
  return g.at + g.length;
}

// Whether the bytes just before index are the start of a character whose
// further bytes are still to come: the line waits for them before it is
// drawn again, so that a character never shows as its pieces.
bool sequence_unfinished(const LineEdit& edit) {
  return ends_in_unfinished_character(edit.buffer, static_cast<std::size_t>(edit.index - 1),
                                      edit.characters);
}

void remove_bytes(LineEdit& edit, Pos from, Pos to) {
  edit.buffer = left_text(edit.buffer, from - 1) + mid_text(edit.buffer, to, -1);
}

EditAction apply_character(LineEdit& edit, unsigned char code) {
  if (code >= kFirstCharacterKey) {
    edit.buffer = left_text(edit.buffer, edit.index - 1) +
                  char_text(code) + mid_text(edit.buffer, edit.index, -1);
    ++edit.index;
    return sequence_unfinished(edit) ? EditAction::none : EditAction::redraw;
  }
  switch (code) {
    case kBackspaceKey: {
      if (edit.index <= 1) return EditAction::none;
      const Pos from = previous_start(edit);
      remove_bytes(edit, from, edit.index);
      edit.index = from;
      return EditAction::redraw;
    }
    case kEnterKey:
      return EditAction::finish;
    case kEscapeKey:
      // The default comes back with the cursor after it, as at the start;
      // the caller draws it, so the line shows the answer it gives.
      edit.buffer = edit.default_buffer;
      edit.index = text_length(edit.buffer);
      return EditAction::finish;
    default:
      return EditAction::none;  // Tab and the other control characters
  }
}

EditAction apply_special(LineEdit& edit, int code,
                         const std::string& last_entry) {
  const Pos length = text_length(edit.buffer);
  switch (code) {
    case key_code::kLeft:
      if (edit.index <= 1) return EditAction::none;
      edit.index = previous_start(edit);
      return EditAction::place;
    case key_code::kRight:
      if (edit.index < length) {
        edit.index = next_start(edit);
        return EditAction::place;
      }
      if (edit.buffer == " " && !last_entry.empty()) {
        edit.buffer = last_entry;
        edit.index = text_length(edit.buffer);
        return EditAction::print_at_cursor;
      }
      return EditAction::none;
    case key_code::kDel:
      if (edit.index >= length) return EditAction::none;
      remove_bytes(edit, edit.index, next_start(edit));
      return EditAction::redraw;
    case key_code::kHome:
      edit.index = 1;
      return EditAction::place;
    case key_code::kEnd:
      edit.index = length;
      return EditAction::place;
    default:
      return EditAction::none;
  }
}

Pos cells_of(const std::vector<Glyph>& glyphs, std::size_t from,
             std::size_t to) {
  Pos cells = 0;
  for (std::size_t k = from; k < to && k < glyphs.size(); ++k)
    cells += glyphs[k].cells;
  return cells;
}

}  // namespace

LineEdit begin_edit(const std::string& default_text, CharacterSet characters) {
  LineEdit edit;
  edit.characters = characters;
  edit.buffer = default_text + " ";
  edit.default_buffer = edit.buffer;
  edit.index = text_length(edit.buffer);
  return edit;
}

EditAction apply_key(LineEdit& edit, const std::string& key,
                     const std::string& last_entry) {
  if (key.size() == 1)
    return apply_character(edit, static_cast<unsigned char>(key[0]));
  if (key.size() == 2)  // the first character is not looked at
    return apply_special(edit, static_cast<unsigned char>(key[1]), last_entry);
  return EditAction::none;
}

std::string edit_result(const LineEdit& edit) {
  return left_text(edit.buffer, text_length(edit.buffer) - 1);
}

ScreenUpdate plan_update(EditAction action, const LineEdit& edit,
                         LineView& view, Pos width) {
  ScreenUpdate update;
  if (action == EditAction::none || action == EditAction::finish)
    return update;

  const std::vector<Glyph> glyphs = glyphs_of(edit.buffer, edit.characters);
  const std::size_t count = glyphs.size();
  const std::size_t cursor = glyph_holding(glyphs, edit.index);
  const Pos total = cells_of(glyphs, 0, count);
  const bool fits = width <= 0 || total <= width;
  std::size_t first = glyph_holding(glyphs, view.first);
  if (fits) {
    first = 0;
  } else {
    // Keep the cursor inside the shown window, and the window full.
    if (cursor < first) first = cursor;
    while (first < cursor && cells_of(glyphs, first, cursor + 1) > width) ++first;
    while (first > 0 && cells_of(glyphs, first - 1, count) <= width) --first;
  }
  const Pos first_at = glyphs[first].at;
  const bool view_moved = first_at != view.first;
  view.first = first_at;
  update.cursor_offset = cells_of(glyphs, first, cursor);

  if (action == EditAction::place && !view_moved) {
    update.kind = EditAction::place;
    return update;
  }
  update.kind = action == EditAction::print_at_cursor && !view_moved && fits
                    ? EditAction::print_at_cursor
                    : EditAction::redraw;
  // Whole characters only: a wide one never straddles the right edge.
  Pos shown_cells = 0;
  Pos last_non_blank = 0;
  for (std::size_t k = first; k < count; ++k) {
    if (!fits && shown_cells + glyphs[k].cells > width) break;
    update.text += glyphs[k].shown;
    shown_cells += glyphs[k].cells;
    if (glyphs[k].shown != " ") last_non_blank = shown_cells;
  }
  // Cover what an earlier, longer print left behind (possible only when the
  // window changed its width, or a wide character left the line: a buffer
  // shrinks by one character at a time, and its own added blank covers a
  // cell of it).
  const Pos cover = width > 0 ? std::min(view.drawn, width) : view.drawn;
  if (shown_cells < cover)
    update.text += std::string(static_cast<std::size_t>(cover - shown_cells), ' ');
  view.drawn = last_non_blank;
  return update;
}

}  // namespace rt
