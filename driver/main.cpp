// Entry point of retime. The program takes no options; argument 0 names its
// settings file. Its exit status is 0 on every path.
#include <csignal>

#include "console/terminal.h"
#include "driver/run_sequence.h"
#include "text/native_arithmetic.h"

int main() {
  rt::native::set_up_arithmetic();
  // Output to a closed pipe (retime | head) must not kill the run halfway
  // through a pair: the printing is simply lost.
  std::signal(SIGPIPE, SIG_IGN);
  rt::start_console();
  rt::run_program();
  rt::end_console();
  return 0;
}
