#include "console/line_editor.h"

#include <algorithm>

#include "console/keys.h"

namespace rt {
namespace {

EditAction apply_character(LineEdit& edit, unsigned char code) {
  if (code >= 32) {
    edit.buffer = left_text(edit.buffer, edit.index - 1) +
                  char_text(code) + mid_text(edit.buffer, edit.index, -1);
    ++edit.index;
    return EditAction::redraw;
  }
  switch (code) {
    case kBackspaceKey:
      if (edit.index <= 1) return EditAction::none;
      edit.buffer = left_text(edit.buffer, edit.index - 2) +
                    mid_text(edit.buffer, edit.index, -1);
      --edit.index;
      return EditAction::redraw;
    case kEnterKey:
      return EditAction::finish;
    case kEscapeKey:
      // The edited text stays on screen; only the answer goes back.
      edit.buffer = edit.default_buffer;
      return EditAction::finish;
    default:
      return EditAction::none;  // Tab and the other control characters
  }
}

EditAction apply_special(LineEdit& edit, int code,
                         const std::string& last_entry) {
  const Pos length = text_length(edit.buffer);
  switch (code) {
    case key_code::left:
      if (edit.index <= 1) return EditAction::none;
      --edit.index;
      return EditAction::place;
    case key_code::right:
      if (edit.index < length) {
        ++edit.index;
        return EditAction::place;
      }
      if (edit.buffer == " " && !last_entry.empty()) {
        edit.buffer = last_entry;
        edit.index = text_length(edit.buffer);
        return EditAction::print_at_cursor;
      }
      return EditAction::none;
    case key_code::del:
      if (edit.index >= length) return EditAction::none;
      edit.buffer = left_text(edit.buffer, edit.index - 1) +
                    mid_text(edit.buffer, edit.index + 1, -1);
      return EditAction::redraw;
    case key_code::home:
      edit.index = 1;
      return EditAction::place;
    case key_code::end:
      edit.index = length;
      return EditAction::place;
    default:
      return EditAction::none;
  }
}

Pos trimmed_length(const std::string& t) {
  Pos n = text_length(t);
  while (n > 0 && t[static_cast<std::size_t>(n - 1)] == ' ') --n;
  return n;
}

}  // namespace

LineEdit begin_edit(const std::string& default_text) {
  LineEdit edit;
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

  const Pos length = text_length(edit.buffer);
  const bool fits = width <= 0 || length <= width;
  Pos first = view.first;
  if (fits) {
    first = 1;
  } else {
    // Keep the cursor inside the shown window, and the window full.
    if (edit.index < first) first = edit.index;
    if (edit.index > first + width - 1) first = edit.index - width + 1;
    first = std::max<Pos>(1, std::min(first, length - width + 1));
  }
  const bool view_moved = first != view.first;
  view.first = first;
  update.cursor_offset = edit.index - first;

  if (action == EditAction::place && !view_moved) {
    update.kind = ScreenUpdate::Kind::place;
    return update;
  }
  update.kind = action == EditAction::print_at_cursor && !view_moved && fits
                    ? ScreenUpdate::Kind::print_at_cursor
                    : ScreenUpdate::Kind::redraw;
  update.text = fits ? edit.buffer : mid_text(edit.buffer, first, width);
  // Cover what an earlier, longer print left behind (possible only when the
  // window changed its width: a buffer shrinks by one character at a time,
  // and its own added blank covers that cell).
  const Pos cover = width > 0 ? std::min(view.drawn, width) : view.drawn;
  if (text_length(update.text) < cover)
    update.text += std::string(
        static_cast<std::size_t>(cover - text_length(update.text)), ' ');
  view.drawn = trimmed_length(update.text);
  return update;
}

}  // namespace rt
