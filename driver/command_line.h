// The command line: what the words after argument 0 ask for. Parsing is a
// pure function, so every combination is a table test; main acts on it.
#pragma once

#include <string>
#include <vector>

#include "driver/report.h"
#include "text/filesystem.h"

namespace rt {

enum class Action {
  ask_for_directory,  // no arguments: the prompt, the batch, the wait
  run_directory,      // one directory: the batch on it, no prompt, no wait
  show_help,
  show_version,
  refuse,             // a usage error: nothing is read or written
};

struct CommandLine {
  Action action = Action::ask_for_directory;
  // For run_directory: byte for byte as given, and after resolve_directory
  // the absolute path of the directory the batch runs on.
  std::string directory;
  // For refuse: the error in our own words (UTF-8, one line, without line
  // end), and the word of the command line it names, in quotes and
  // otherwise byte for byte ("" for none); error_message puts them
  // together.
  std::string error;
  std::string error_subject;
  // --report: the readability figures after each pair and the page, with
  // the limits of --cps and --max-chars.
  bool report = false;
  ReadabilityLimits limits;
};

// arguments are the words after argument 0. "-h" and "--help" ask for the
// usage text, "--version" for name and version; help wins over version. A
// word up to "--" that begins with "-" and is longer than "-" is an option;
// "--" ends the options, so later words are directories whatever they look
// like. "--report" asks for the readability report; "--cps N" and
// "--max-chars N" (or "--cps=N", "--max-chars=N") set its limits, a whole
// number from 1 to 999, and are refused without "--report" or with any
// other value. Any other option, or more than one directory, is refused
// (also beside "--help"). One directory means run_directory, none the
// prompt.
CommandLine parse_command_line(const std::vector<std::string>& arguments);

// The words of the command line as the program takes them (their bytes),
// for parse_command_line.
std::vector<std::string> word_bytes(const std::vector<CommandWord>& words);

// A word that the program's bytes cannot hold exactly (CommandWord of
// text/filesystem.h; on Windows a character the ANSI code page lacks) is
// never taken for a name, where its look-alike could name another folder:
// the line is refused, naming the first such word with "?" for each
// character that could not be held. Other lines are left as they are.
void refuse_inexact_words(CommandLine& line, const std::vector<CommandWord>& words);

// For run_directory, looks at what the directory names (it reads, stores and
// makes nothing), by find_directory (driver/working_directory.h) without
// the dot rule of an answer: an existing directory is that directory,
// whatever dots its name holds ("." is the current one); an existing
// regular file stands for the folder it lies in. Either becomes
// line.directory as an absolute path. Anything else (nothing there, a
// pipe, a device) refuses the line with an error naming the directory.
// Other actions are left as they are.
void resolve_directory(CommandLine& line);

// The error of a refused line as the user reads it on standard error: its
// words in the user's character set, a blank and the subject after them, a
// line end, and the hint to the usage text.
std::string error_message(const CommandLine& line);

// The usage text for --help (UTF-8), each line ended by "\n".
std::string usage_text();

// "retime " and the project's version, ended by "\n".
std::string version_text();

// Name the usage text to a user after an error, ended by "\n".
std::string usage_hint();

}  // namespace rt
