// How the console draws the input line: what the screen holds where
// draw_line (console/terminal.h, platform/console.h) draws.
#pragma once

namespace rt {

// What the screen holds where it is drawn.
enum class Drawing {
  first,      // nothing of the line yet: there is nothing to hide
  again,      // an earlier drawing: the cursor is hidden while it is redrawn
  at_cursor,  // only blanks, and the cursor stands at the start column
  afresh,     // as again, after console_disturbed: the screen may show
              // anything below the row, which is cleared first
};

}  // namespace rt
