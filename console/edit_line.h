// The editable input line.
//
// edit_line shows default_text at the cursor (right after a prompt printed
// with print_text) and lets the user edit it: characters insert before the
// cursor, Backspace and Delete remove, Left, Right, Home and End move, Enter
// returns the text, Escape returns default_text unchanged and draws it
// again in the edited text's place, so the screen shows the answer taken. Right on an empty line brings back the last entry
// of an earlier call. No line end is printed. The text has no length limit;
// a text wider than the room up to the window's right edge is shown as a
// window that follows the cursor.
//
// Without a screen (standard input or output not a terminal) one plain line
// is read from standard input instead, and nothing waits for keys: an empty
// line, or the end of input before any byte, means Enter on the unchanged
// default, so default_text is returned. The answer is then printed after the
// prompt, so that the output reads as it would on a screen.
#pragma once

#include <string>

namespace rt {

std::string edit_line(const std::string& default_text);

}  // namespace rt
