#include "driver/command_line.h"

namespace rt {
namespace {

const std::string end_of_options = "--";

bool is_option(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

// The options that take a number, a limit of the readability report.
struct LimitOption {
  const char* name;
  int ReadabilityLimits::*limit;
};
const LimitOption limit_options[] = {
    {"--cps", &ReadabilityLimits::cps},
    {"--max-chars", &ReadabilityLimits::cue_characters},
};
constexpr int kLeastLimit = 1;
constexpr int kMostLimit = 999;

// The limit option that word names, as "--cps" (attached false: the value
// is the next word) or "--cps=N" (the value N attached); none for others.
const LimitOption* limit_option(const std::string& word, std::string& value, bool& attached) {
  for (const LimitOption& option : limit_options) {
    const std::string name = option.name;
    if (word == name || word.compare(0, name.size() + 1, name + "=") == 0) {
      attached = word.size() > name.size();
      value = attached ? word.substr(name.size() + 1) : "";
      return &option;
    }
  }
  return nullptr;
}

void keep_first_error(CommandLine& line, const std::string& error) {
  if (line.error.empty()) line.error = error;
}

// The usage error for a limit without a valid value.
std::string limit_expected(const LimitOption& option) {
  return std::string("retime: \"") + option.name + "\" erwartet eine ganze Zahl von " +
         std::to_string(kLeastLimit) + " bis " + std::to_string(kMostLimit);
}

// Sets the limit from value, digits only, kLeastLimit to kMostLimit.
// Otherwise returns the error line.
std::string take_limit(const LimitOption& option, const std::string& value, ReadabilityLimits& limits) {
  int number = 0;
  bool valid = !value.empty();
  for (char c : value) {
    if (c < '0' || c > '9' || number > kMostLimit) {
      valid = false;
      break;
    }
    number = number * 10 + (c - '0');
  }
  if (!valid || number < kLeastLimit || number > kMostLimit) {
    return limit_expected(option) + ", nicht \"" + value + "\"";
  }
  limits.*option.limit = number;
  return "";
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& arguments) {
  CommandLine line;
  bool help = false;
  bool version = false;
  bool options_ended = false;
  std::vector<std::string> directories;
  const LimitOption* awaiting_value = nullptr;  // the word before was "--cps" or "--max-chars"
  const char* limit_given = nullptr;
  for (const std::string& word : arguments) {
    std::string value;
    bool value_attached = false;
    const LimitOption* limit = nullptr;
    if (awaiting_value != nullptr) {
      keep_first_error(line, take_limit(*awaiting_value, word, line.limits));
      awaiting_value = nullptr;
    } else if (!options_ended && word == end_of_options) {
      options_ended = true;
    } else if (!options_ended && is_option(word)) {
      if (word == "-h" || word == "--help") {
        help = true;
      } else if (word == "--version") {
        version = true;
      } else if (word == "--report") {
        line.report = true;
      } else if ((limit = limit_option(word, value, value_attached)) != nullptr) {
        limit_given = limit->name;
        if (value_attached) {
          keep_first_error(line, take_limit(*limit, value, line.limits));
        } else {
          awaiting_value = limit;
        }
      } else if (line.error.empty()) {
        line.error = "retime: unbekannte Option \"" + word + "\"";
      }
    } else {
      directories.push_back(word);
    }
  }
  if (awaiting_value != nullptr) keep_first_error(line, limit_expected(*awaiting_value));
  if (line.error.empty() && limit_given != nullptr && !line.report)
    line.error = std::string("retime: \"") + limit_given + "\" gilt nur zusammen mit --report";
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
  return "Aufruf: retime [--report [--cps N] [--max-chars N]] [VERZEICHNIS]\n"
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
         "Mit --report folgen jedem Paar einige Zahlen zur Lesbarkeit (Zeichen pro\n"
         "Sekunde, Zeichen je Untertitel); dazu entsteht untertitel/bericht.html.\n"
         "\n"
         "  -h, --help         diese Hilfe zeigen\n"
         "      --version      Name und Version zeigen\n"
         "      --report       Lesbarkeit melden und untertitel/bericht.html schreiben\n"
         "      --cps N        Grenzwert in Zeichen pro Sekunde (Vorgabe 17)\n"
         "      --max-chars N  Grenzwert in Zeichen je Untertitel (Vorgabe 84)\n"
         "  --                 Ende der Optionen\n";
}

std::string version_text() { return std::string("retime ") + RETIME_VERSION + "\n"; }

std::string usage_hint() { return "Hilfe: retime --help\n"; }

}  // namespace rt
