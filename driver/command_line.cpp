#include "driver/command_line.h"

#include "text/filesystem.h"
#include "text/paths.h"
#include "text/user_charset.h"

namespace rt {
namespace {

const std::string end_of_options = "--";

bool is_option(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

std::string quoted(const std::string& word) { return "\"" + word + "\""; }

void refuse(CommandLine& line, const std::string& error, const std::string& subject) {
  line.action = Action::refuse;
  line.directory.clear();
  line.error = error;
  line.error_subject = subject;
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& arguments) {
  CommandLine line;
  bool help = false;
  bool version = false;
  bool options_ended = false;
  std::string unknown_option;
  std::vector<std::string> directories;
  for (const std::string& word : arguments) {
    if (!options_ended && word == end_of_options) {
      options_ended = true;
    } else if (!options_ended && is_option(word)) {
      if (word == "-h" || word == "--help") {
        help = true;
      } else if (word == "--version") {
        version = true;
      } else if (unknown_option.empty()) {
        unknown_option = word;
      }
    } else {
      directories.push_back(word);
    }
  }
  if (!unknown_option.empty()) {
    refuse(line, "retime: unbekannte Option", quoted(unknown_option));
  } else if (directories.size() > 1) {
    refuse(line, "retime: nur ein Verzeichnis erlaubt, angegeben: " +
                     std::to_string(directories.size()), "");
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

void resolve_directory(CommandLine& line) {
  if (line.action != Action::run_directory) return;
  const std::string given = line.directory;
  const EntryKind kind = entry_kind(given);
  if (kind == EntryKind::other) {
    refuse(line, "retime: weder Verzeichnis noch gewöhnliche Datei:", quoted(given));
    return;
  }
  std::string absolute = kind == EntryKind::missing ? "" : absolute_path(given);
  if (kind == EntryKind::file) {
    // The file's name is cut off its absolute path (in the system's form,
    // with its one separator), which keeps a link to a file in the folder
    // the link lies in.
    const std::size_t separator = absolute.find_last_of("\\/");
    absolute = separator == std::string::npos ? "" : directory_of(absolute, absolute[separator]);
  }
  if (absolute.empty()) {
    refuse(line, "retime: Verzeichnis nicht gefunden:", quoted(given));
    return;
  }
  line.directory = absolute;
}

std::string error_message(const CommandLine& line) {
  std::string message = in_user_charset(line.error, UserStream::standard_error);
  if (!line.error_subject.empty()) message += " " + line.error_subject;
  return message + "\n" + usage_hint();
}

std::string usage_text() {
  return "Aufruf: retime [VERZEICHNIS]\n"
         "        retime --help | --version\n"
         "\n"
         "Verteilt zu jeder Timecodedatei im Verzeichnis den Text der Textdatei (.txt)\n"
         "mit dem längsten gemeinsamen Namensanfang auf ihre Zeiten und schreibt das\n"
         "Ergebnis in den Ordner untertitel des Verzeichnisses.\n"
         "\n"
         "Ohne VERZEICHNIS fragt retime nach dem Verzeichnis (vorgegeben ist das\n"
         "zuletzt verwendete) und wartet am Ende auf eine Taste. Mit VERZEICHNIS\n"
         "läuft es ohne Frage und ohne Warten; eine Datei steht dabei für den\n"
         "Ordner, in dem sie liegt.\n"
         "\n"
         "  -h, --help     diese Hilfe zeigen\n"
         "      --version  Name und Version zeigen\n"
         "  --             Ende der Optionen\n"
         "\n"
         "Rückgabewert mit VERZEICHNIS: 0, wenn jede Ausgabe geschrieben wurde,\n"
         "1, wenn ein Paar mit Fehler endete, 2 bei falschem Aufruf oder fehlendem\n"
         "Verzeichnis.\n";
}

std::string version_text() { return std::string("retime ") + RETIME_VERSION + "\n"; }

std::string usage_hint() { return "Hilfe: retime --help\n"; }

}  // namespace rt
