// What each platform supplies for exact arithmetic: the floating-point
// unit's set-up at start-up, and the reading of a decimal or hexadecimal
// real whatever the C runtime's locale says.
#pragma once

namespace rt {
namespace native {

// The x87 control word the extended-precision arithmetic needs: every
// exception masked, 64-bit precision, rounding to nearest.
constexpr unsigned kExtendedControlWord = 0x037F;

// Sets the x87 control word to kExtendedControlWord, so results do not
// depend on what the C runtime's start-up left there (53-bit precision on
// some). Called first thing in main(), on the main thread: threads the
// system starts for us (a console event handler) begin with their own
// control word and must do no engine arithmetic.
void set_up_arithmetic();

// The x87 control word of the calling thread as it is now.
unsigned arithmetic_control_word();

// The longest beginning of text that forms a real in the C locale's form
// ("." as decimal point; "inf", "nan" and hexadecimal reals included), as
// strtod reads it: rounded to nearest, signed infinity on overflow, 0 when
// nothing can be read. Any locale the process has set is ignored.
double read_c_real(const char* text);

}  // namespace native
}  // namespace rt
