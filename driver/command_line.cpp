#include "driver/command_line.h"

namespace rt {
namespace {

const std::string end_of_options = "--";

bool is_option(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& arguments) {
  CommandLine line;
  bool help = false;
  bool version = false;
  bool options_ended = false;
  std::vector<std::string> directories;
  for (const std::string& word : arguments) {
    if (!options_ended && word == end_of_options) {
      options_ended = true;
    } else if (!options_ended && is_option(word)) {
      if (word == "-h" || word == "--help") {
        help = true;
      } else if (word == "--version") {
        version = true;
      } else if (line.error.empty()) {
        line.error = "retime: unbekannte Option \"" + word + "\"";
      }
    } else {
      directories.push_back(word);
    }
  }
  if (line.error.empty() && directories.size() > 1)
    line.error = "retime: nur ein Verzeichnis erlaubt, angegeben: " + std::to_string(directories.size());
  if (!line.error.empty()) {
    line.action = Action::refuse;
  } else if (help) {
    line.action = Action::show_help;
  } else if (version) {
    line.action = Action::show_version;
  } else if (directories.size() == 1) {
    line.action = Action::run_directory;
    line.directory = directories.front();
  }
  return line;
}

std::string usage_text() {
  return "Aufruf: retime [VERZEICHNIS]\n"
         "        retime --help | --version\n"
         "\n"
         "Verteilt zu jeder Timecodedatei im Verzeichnis den Text der Textdatei (.txt)\n"
         "mit dem laengsten gemeinsamen Namensanfang auf ihre Zeiten und schreibt das\n"
         "Ergebnis in den Ordner untertitel des Verzeichnisses.\n"
         "\n"
         "Ohne VERZEICHNIS fragt retime nach dem Verzeichnis (vorgegeben ist das\n"
         "zuletzt verwendete) und wartet am Ende auf eine Taste. Mit VERZEICHNIS\n"
         "gilt es als Antwort: keine Frage, kein Warten.\n"
         "\n"
         "  -h, --help     diese Hilfe zeigen\n"
         "      --version  Name und Version zeigen\n"
         "  --             Ende der Optionen\n";
}

std::string version_text() { return std::string("retime ") + RETIME_VERSION + "\n"; }

std::string usage_hint() { return "Hilfe: retime --help\n"; }

}  // namespace rt
