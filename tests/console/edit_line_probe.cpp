// A test program for the console module, driven by the tests through a
// pseudo-terminal, a pipe or tmux. It does what the run sequence does around
// the prompt:
//
//   edit_line_probe [options] DEFAULT
//
// starts a console session, prints "Verzeichnis: ", edits DEFAULT with
// edit_line, ends the session and prints the answer in brackets on a new
// line; the wait and the sleep below have a session of their own.
// Options:
//   --before-start MS   pause before the console starts (type-ahead)
//   --after-start MS    pause after it started, before the prompt
//   --lines N           print N line ends before the prompt
//   --again DEFAULT2    then a second prompt and edit_line with DEFAULT2
//   --throw             throw an exception nobody catches after editing,
//                       with the session still held
//   --exit              call exit(0) after editing, with the session held
//   --before-wait MS    pause before the wait below
//   --wait              then wait_for_key and print "<waited>"
//   --sleep MS          then sleep_ms(MS) and print "<slept>"
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

#include "console/edit_line.h"
#include "console/terminal.h"
#include "text/console_print.h"

namespace {

void pause_for(const char* ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(ms)));
}

void print(const std::string& t) { rt::print_text(t); }

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");  // the user's character set, as retime
  std::string default_text;
  std::string second_default;
  bool again = false;
  bool throw_after = false;
  bool exit_after = false;
  bool wait = false;
  const char* after_start = nullptr;
  const char* before_wait = nullptr;
  const char* sleep = nullptr;
  int lines = 0;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool has_value = i + 1 < argc;
    if (a == "--before-start" && has_value) {
      pause_for(argv[++i]);
    } else if (a == "--after-start" && has_value) {
      after_start = argv[++i];
    } else if (a == "--lines" && has_value) {
      lines = std::atoi(argv[++i]);
    } else if (a == "--again" && has_value) {
      again = true;
      second_default = argv[++i];
    } else if (a == "--throw") {
      throw_after = true;
    } else if (a == "--exit") {
      exit_after = true;
    } else if (a == "--before-wait" && has_value) {
      before_wait = argv[++i];
    } else if (a == "--wait") {
      wait = true;
    } else if (a == "--sleep" && has_value) {
      sleep = argv[++i];
    } else {
      default_text = a;
    }
  }

  std::string answer;
  {
    const rt::ConsoleSession console;
    if (after_start != nullptr) pause_for(after_start);
    print(std::string(static_cast<std::size_t>(lines), '\n'));
    print("Verzeichnis: ");
    answer = rt::edit_line(default_text);
    if (again) {
      print("\nVerzeichnis: ");
      answer += "|" + rt::edit_line(second_default);
    }
    if (throw_after) throw std::runtime_error("nobody catches this");
    if (exit_after) std::exit(0);
  }
  print("\n[" + answer + "]\n");
  if (before_wait != nullptr) pause_for(before_wait);
  if (!wait && sleep == nullptr) return 0;
  const rt::ConsoleSession console;
  if (wait) {
    rt::wait_for_key();
    print("<waited>\n");
  }
  if (sleep != nullptr) {
    rt::sleep_ms(std::atoi(sleep));
    print("<slept>\n");
  }
  return 0;
}
