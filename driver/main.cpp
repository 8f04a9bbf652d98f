// Entry point of retime. The program takes no options; argument 0 names its
// settings file. Its exit status is 0 on every path.
#include <clocale>
#include <csignal>

#include "console/terminal.h"
#include "driver/run_sequence.h"

int main() {
  std::setlocale(LC_CTYPE, "");  // the user's character set: UTF-8 or one byte
  // Output to a closed pipe (retime | head) must not kill the run halfway
  // through a pair: the printing is simply lost.
  std::signal(SIGPIPE, SIG_IGN);
  rt::start_console();
  rt::run_program();
  rt::end_console();
  return 0;
}
