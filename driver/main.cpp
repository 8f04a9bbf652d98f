// Entry point of retime. Without arguments it asks for the directory; with
// one it runs the batch on it; --help and --version only print. A usage
// error (an unknown option, two directories, a directory that is not
// there, a word the program's bytes cannot hold exactly) prints on
// standard error and exits with status 2 before anything is read or
// written. The batch on a directory of the command line exits with 1 when
// a pair ended with " Fehler", so that a script can tell; the interactive
// and the piped run always exit with 0.
#include <clocale>
#include <vector>

#include "console/terminal.h"
#include "driver/command_line.h"
#include "driver/run_sequence.h"
#include "text/arithmetic.h"
#include "text/console_print.h"
#include "text/filesystem.h"
#include "text/user_charset.h"

namespace {

constexpr int kExitDone = 0;
constexpr int kExitPairFailed = 1;
constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
  rt::set_up_arithmetic();
  // On Windows from the UTF-16 command line: the C runtime's argv would
  // carry a look-alike for a character the code page lacks.
  const std::vector<rt::CommandWord> words = rt::command_arguments(argc, argv);
  rt::CommandLine line = rt::parse_command_line(rt::word_bytes(words));
  rt::refuse_inexact_words(line, words);
  // The user's character set (UTF-8 or one byte), for everything but the
  // version line, which is ASCII: loading the locale's tables is a good
  // part of what that line costs.
  if (line.action != rt::Action::show_version) std::setlocale(LC_CTYPE, "");
  rt::resolve_directory(line);
  switch (line.action) {
    case rt::Action::show_help:
      rt::write_to_user(rt::in_user_charset(rt::usage_text(), rt::UserStream::standard_output),
                        rt::UserStream::standard_output);
      return kExitDone;
    case rt::Action::show_version:
      rt::write_to_user(rt::version_text(), rt::UserStream::standard_output);
      return kExitDone;
    case rt::Action::refuse:
      rt::write_to_user(rt::error_message(line), rt::UserStream::standard_error);
      return kExitUsage;
    case rt::Action::ask_for_directory:
    case rt::Action::run_directory:
      break;
  }

  // Output to a closed pipe (retime | head) must not kill the run halfway
  // through a pair: the printing is simply lost.
  rt::keep_running_when_output_closes();
  const rt::ConsoleSession console;
  const rt::ReadabilityLimits* report = line.report ? &line.limits : nullptr;
  if (line.action == rt::Action::run_directory)
    return rt::run_program_on(line.directory, report) ? kExitDone : kExitPairFailed;
  rt::run_program(report);
  return kExitDone;
}
