// What each platform supplies beneath text/numbers.cpp: the reading and
// writing of a real whatever the C runtime's locale says.
// Implemented by posix/numbers.cpp and win32/numbers.cpp.
#pragma once

#include <cstddef>

namespace rt {
namespace native {

// The longest beginning of text that forms a real in the C locale's form
// ("." as decimal point; "inf", "nan" and hexadecimal reals included), as
// strtod reads it: rounded to nearest, signed infinity on overflow, 0 when
// nothing can be read. Any locale the process has set is ignored.
double read_c_real(const char* text);

// x as "%.16g" writes it in the C locale ("." as decimal point, "-0" for
// negative zero) into out, NUL-terminated, whatever locale the process has
// set; the number of characters written, or a negative number when out (of
// size bytes) is too short. x is finite.
int write_c_real(double x, char* out, std::size_t size);

}  // namespace native
}  // namespace rt
