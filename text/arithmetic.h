// The floating-point unit's set-up for the engine's exact arithmetic. The
// x87 control word is set and read the same way on every platform the
// program builds for (x86-64 with a GCC-compatible compiler); only what the
// C runtime leaves there at start-up differs (MinGW's start-up object may
// or may not set 64-bit precision, depending on which one the linker
// picked, and _controlfp ignores the precision bits on x64), so the program
// sets the word itself.
#pragma once

namespace rt {

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

}  // namespace rt
