// Entry point of retime. The program takes no options; argument 0 names its
// settings file. Its exit status is 0 on every path.
#include <clocale>

#include "console/terminal.h"
#include "driver/run_sequence.h"
#include "text/native_arithmetic.h"
#include "text/native_console_output.h"

int main() {
  rt::native::set_up_arithmetic();
  std::setlocale(LC_CTYPE, "");  // the user's character set: UTF-8 or one byte
  rt::native::keep_running_when_output_closes();
  rt::start_console();
  rt::run_program();
  rt::end_console();
  return 0;
}
