// What each platform supplies for the console's output and the program's
// other standard stream: writing bytes there, ringing the bell, and what
// kind of output it is. Every printing rule (line ends, numbers, the bell's
// place among the text, which bytes are shown how, the user's character
// set) is portable and sits above this line, reached through its one door
// text/console_print.h; the cursor and the keys are platform/console.h's,
// which writes its own bytes through here too. Implemented by
// posix/console_output.cpp and win32/console_output.cpp.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/shared/character_set.h"

namespace rt {
namespace native {

// Writes all count bytes to standard output, or to standard error when
// to_standard_error, unbuffered and in call order with everything else
// written there. A stream that is gone or fails drops the rest silently; a
// non-blocking output is waited for.
void write_standard_stream(const char* bytes, std::size_t count, bool to_standard_error);

// Sounds the console's bell. POSIX: the BEL byte to standard output, which
// the terminal rings. Windows: Beep(1000, 250), one fixed tone in every
// console host.
void ring_bell();

// Output to a closed pipe (retime | head) must not end the run halfway
// through a pair: from now on such printing is simply lost (POSIX: SIGPIPE
// ignored; on Windows the write just fails). Called once at start-up.
void keep_running_when_output_closes();

// The line end of the platform's texts. POSIX: LF, which a terminal's
// output processing shows as CR LF and which files and pipes keep as it is
// there. Windows: CR LF, on the console and into files and pipes alike, as
// the platform's tools expect.
const char* console_line_end();

// Whether standard output is a terminal (a console window), so that bytes
// a terminal would take as commands must not reach it raw.
bool console_output_is_terminal();

// How the console's bytes form characters. POSIX: UTF-8 when the user's
// locale says so, else a single byte with the C1 controls. Windows: as the
// console's output code page says (the system's ANSI code page, from
// start-up on), or the ANSI code page itself without a console.
CharacterSet console_character_set();

// One non-ASCII character of the program's own texts, given as its UTF-8
// bytes, as the user's character set has it for standard output (or, when
// to_standard_error, standard error): the UTF-8 bytes in a UTF-8 locale,
// the ISO 8859-1 byte in a single-byte one; on Windows the code page of the
// console window when the stream is one, else the system's ANSI code page.
// Nothing when the character set lacks the character (never a look-alike).
std::optional<std::string> user_character(const std::string& utf8_character,
                                          bool to_standard_error);

}  // namespace native
}  // namespace rt
