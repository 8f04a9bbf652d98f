// Printing on the console, and what the rest of the program may know about
// the console's output: the one door of the portable code to
// platform/console_output.h.
// Output goes straight to the console, unbuffered, so it stays in order
// with the cursor control of the console module.
#pragma once

#include <cstdint>
#include <string>

#include "platform/console_output.h"
#include "text/visible_text.h"

namespace rt {

// Shows the bytes of t at the cursor, without a line end. On a terminal the
// bytes it would take as commands are shown visibly instead (see
// text/visible_text.h); BEL, BS, TAB, CR and LF keep their meaning, BEL
// sounding the console's bell.
void print_text(const std::string& t);

// The bytes printed since the last line end (LF or CR): what the cursor's
// row shows before the cursor, such as a prompt. The input line shows it
// again when it draws its whole row afresh.
const std::string& printed_line_tail();

// print_text(t), then a line end. print_line("") only ends the line.
void print_line(const std::string& t);

// Shows v made with "% d": a blank before a value that is not negative.
void print_number(std::int32_t v);

// The native calls of platform/console_output.h, as every portable file
// uses them (their contracts are written there): the line end print_line
// writes, whether standard output is a terminal, the console's character
// set, keeping on when output closes; and for the program's own texts in
// the user's character set (text/user_charset.h), the user's character
// and the write to a standard stream.
using native::console_character_set;
using native::console_line_end;
using native::console_output_is_terminal;
using native::keep_running_when_output_closes;
using native::user_character;
using native::write_standard_stream;

}  // namespace rt
