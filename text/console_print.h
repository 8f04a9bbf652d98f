// Printing on the console, and what the rest of the program may know about
// the console's output: the portable door to platform/console_output.h.
// Output goes straight to the console, unbuffered, so it stays in order
// with the cursor control of the console module.
#pragma once

#include <cstdint>
#include <string>

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

// The line end print_line writes: on POSIX "\n", which a terminal's output
// processing makes CR LF; on Windows CR LF, also into a pipe or file.
std::string console_line_end();

// Whether standard output is a terminal (a console window).
bool console_output_is_terminal();

// How the console's bytes form characters: the user's locale on POSIX, the
// console's code page on Windows.
CharacterSet console_character_set();

// From now on printing into a closed pipe (retime | head) is lost instead
// of ending the program halfway through a pair. Called once at start-up.
void keep_running_when_output_closes();

}  // namespace rt
