#include "driver/command_line.h"

#include "driver/working_directory.h"
#include "text/user_charset.h"

namespace rt {
namespace {

const std::string kEndOfOptions = "--";

bool is_option(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

std::string quoted(const std::string& word) { return "\"" + word + "\""; }

void refuse(CommandLine& line, const std::string& error, const std::string& subject) {
  line.action = Action::refuse;
  line.directory.clear();
  line.error = error;
  line.error_subject = subject;
}

// The options that take a number, a limit of the readability report.
struct LimitOption {
  const char* name;
  int ReadabilityLimits::*limit;
};
const LimitOption kLimitOptions[] = {
    {"--cps", &ReadabilityLimits::cps},
    {"--max-chars", &ReadabilityLimits::cue_characters},
};
constexpr int kLeastLimit = 1;
constexpr int kMostLimit = 999;

// The limit option that word names, as "--cps" (attached false: the value
// is the next word) or "--cps=N" (the value N attached); none for others.
const LimitOption* limit_option(const std::string& word, std::string& value, bool& attached) {
  for (const LimitOption& option : kLimitOptions) {
    const std::string name = option.name;
    if (word == name || word.compare(0, name.size() + 1, name + "=") == 0) {
      attached = word.size() > name.size();
      value = attached ? word.substr(name.size() + 1) : "";
      return &option;
    }
  }
  return nullptr;
}

// What a limit option expects, for its usage errors.
std::string limit_expected(const LimitOption& option) {
  return std::string("retime: ") + option.name + " erwartet eine ganze Zahl von " + std::to_string(kLeastLimit) +
         " bis " + std::to_string(kMostLimit);
}

// Sets the limit from value, digits only, kLeastLimit to kMostLimit; false
// for any other value.
bool take_limit(const LimitOption& option, const std::string& value, ReadabilityLimits& limits) {
  int number = 0;
  for (char c : value) {
    if (c < '0' || c > '9' || number > kMostLimit) return false;
    number = number * 10 + (c - '0');
  }
  if (value.empty() || number < kLeastLimit || number > kMostLimit) return false;
  limits.*option.limit = number;
  return true;
}

// What the words of a command line said, gathered before it is judged.
struct WordsRead {
  bool help = false;
  bool version = false;
  bool options_ended = false;
  std::string unknown_option;  // the first one
  std::vector<std::string> directories;
  const LimitOption* awaiting_value = nullptr;  // the word before was "--cps" or "--max-chars"
  const LimitOption* limit_given = nullptr;
  const LimitOption* bad_limit = nullptr;  // the first limit with a bad value
  std::string bad_value;
};

void take_limit_value(const LimitOption& option, const std::string& value, CommandLine& line, WordsRead& read) {
  if (!take_limit(option, value, line.limits) && read.bad_limit == nullptr) {
    read.bad_limit = &option;
    read.bad_value = value;
  }
}

// An option word (before "--"): help, version, the report, a limit with its
// value attached or to come, or one not known.
void read_option(const std::string& word, CommandLine& line, WordsRead& read) {
  std::string value;
  bool value_attached = false;
  const LimitOption* limit = nullptr;
  if (word == "-h" || word == "--help") {
    read.help = true;
  } else if (word == "--version") {
    read.version = true;
  } else if (word == "--report") {
    line.report = true;
  } else if ((limit = limit_option(word, value, value_attached)) != nullptr) {
    read.limit_given = limit;
    if (value_attached) {
      take_limit_value(*limit, value, line, read);
    } else {
      read.awaiting_value = limit;
    }
  } else if (read.unknown_option.empty()) {
    read.unknown_option = word;
  }
}

void read_word(const std::string& word, CommandLine& line, WordsRead& read) {
  if (read.awaiting_value != nullptr) {
    take_limit_value(*read.awaiting_value, word, line, read);
    read.awaiting_value = nullptr;
  } else if (!read.options_ended && word == kEndOfOptions) {
    read.options_ended = true;
  } else if (!read.options_ended && is_option(word)) {
    read_option(word, line, read);
  } else {
    read.directories.push_back(word);
  }
}

// The action, or the first usage error in the order the errors are told.
void judge(const WordsRead& read, CommandLine& line) {
  if (!read.unknown_option.empty()) {
    refuse(line, "retime: unbekannte Option", quoted(read.unknown_option));
  } else if (read.bad_limit != nullptr) {
    refuse(line, limit_expected(*read.bad_limit) + ", nicht", quoted(read.bad_value));
  } else if (read.awaiting_value != nullptr) {
    refuse(line, limit_expected(*read.awaiting_value), "");
  } else if (read.limit_given != nullptr && !line.report) {
    refuse(line, std::string("retime: ") + read.limit_given->name + " gilt nur zusammen mit --report", "");
  } else if (read.directories.size() > 1) {
    refuse(line, "retime: nur ein Verzeichnis erlaubt, angegeben: " + std::to_string(read.directories.size()), "");
  } else if (read.help) {
    line.action = Action::show_help;
  } else if (read.version) {
    line.action = Action::show_version;
  } else if (read.directories.size() == 1) {
    line.action = Action::run_directory;
    line.directory = read.directories.front();
  }
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& arguments) {
  CommandLine line;
  WordsRead read;
  for (const std::string& word : arguments) read_word(word, line, read);
  judge(read, line);
  return line;
}

std::vector<std::string> word_bytes(const std::vector<CommandWord>& words) {
  std::vector<std::string> bytes;
  for (const CommandWord& word : words) bytes.push_back(word.bytes);
  return bytes;
}

void refuse_inexact_words(CommandLine& line, const std::vector<CommandWord>& words) {
  for (const CommandWord& word : words) {
    if (word.exact) continue;
    refuse(line, "retime: Argument mit Zeichen außerhalb der Codepage (als ? gezeigt):", quoted(word.bytes));
    return;
  }
}

void resolve_directory(CommandLine& line) {
  if (line.action != Action::run_directory) return;
  const std::string given = line.directory;
  const FoundDirectory found = find_directory(given, false);
  switch (found.found) {
    case DirectoryFound::directory:
      line.directory = found.directory;
      return;
    case DirectoryFound::not_a_directory:
      refuse(line, "retime: weder Verzeichnis noch gewöhnliche Datei:", quoted(given));
      return;
    case DirectoryFound::missing:
      refuse(line, "retime: Verzeichnis nicht gefunden:", quoted(given));
      return;
  }
}

std::string error_message(const CommandLine& line) {
  std::string message = in_user_charset(line.error, UserStream::standard_error);
  if (!line.error_subject.empty()) message += " " + line.error_subject;
  return message + "\n" + usage_hint();
}

std::string usage_text() {
  return "Aufruf: retime [--report [--cps N] [--max-chars N]] [VERZEICHNIS]\n"
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
         "Mit --report folgen jedem Paar einige Zahlen zur Lesbarkeit (Zeichen pro\n"
         "Sekunde, Zeichen je Untertitel); dazu entsteht untertitel/bericht.html.\n"
         "\n"
         "  -h, --help         diese Hilfe zeigen\n"
         "      --version      Name und Version zeigen\n"
         "      --report       Lesbarkeit melden und untertitel/bericht.html schreiben\n"
         "      --cps N        Grenzwert in Zeichen pro Sekunde (Vorgabe 17)\n"
         "      --max-chars N  Grenzwert in Zeichen je Untertitel (Vorgabe 84)\n"
         "  --                 Ende der Optionen\n"
         "\n"
         "Rückgabewert mit VERZEICHNIS: 0, wenn jede Ausgabe geschrieben wurde,\n"
         "1, wenn ein Paar (oder mit --report der Bericht) mit Fehler endete,\n"
         "2 bei falschem Aufruf oder fehlendem Verzeichnis.\n";
}

std::string version_text() { return std::string("retime ") + RETIME_VERSION + "\n"; }

std::string usage_hint() { return "Hilfe: retime --help\n"; }

}  // namespace rt
