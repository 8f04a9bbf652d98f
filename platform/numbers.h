// What each platform supplies beneath text/numbers.cpp: the reading of a
// decimal or hexadecimal real whatever the C runtime's locale says.
// Implemented by posix/numbers.cpp and win32/numbers.cpp.
#pragma once

namespace rt {
namespace native {

// The longest beginning of text that forms a real in the C locale's form
// ("." as decimal point; "inf", "nan" and hexadecimal reals included), as
// strtod reads it: rounded to nearest, signed infinity on overflow, 0 when
// nothing can be read. Any locale the process has set is ignored.
double read_c_real(const char* text);

}  // namespace native
}  // namespace rt
