// Printing on the console. Output goes straight to the console, unbuffered,
// so it stays in order with the cursor control of the console module.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

// Shows the bytes of t at the cursor, without a line end. On a terminal the
// bytes it would take as commands are shown visibly instead (see
// text/visible_text.h); BEL, BS, TAB, CR and LF keep their meaning.
void print_text(const std::string& t);

// print_text(t), then a line end. print_line("") only ends the line.
void print_line(const std::string& t);

// Shows v made with "% d": a blank before a value that is not negative.
void print_number(std::int32_t v);

}  // namespace rt
