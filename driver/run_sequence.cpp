#include "driver/run_sequence.h"

#include "console/edit_line.h"
#include "console/terminal.h"
#include "driver/batch.h"
#include "settings/settings.h"
#include "text/console_print.h"
#include "text/filesystem.h"

namespace rt {
namespace {

const std::string kTextExtensionKey = "texterweiterung";
const std::string kOutputExtensionKey = "ausgabeerweiterung";
const std::string kDirectoryKey = "verzeichnis";
const std::string kDefaultTextExtension = ".txt";
const std::string kDefaultOutputExtension = ".src";

// The settings file of the run and the temporary file its rewrites go
// through.
struct SettingsPlace {
  std::string file;
  std::string temporary;
};

SettingsPlace settings_place_at(const std::string& file) {
  make_settings_folder(file);
  return {file, temporary_path_of(file)};
}

// A first run finds no settings file: it is made holding the two
// extensions, in this order, as storing them one after the other in an
// empty file would leave it, but in one step, so that a second first run
// started at the same moment never sees it half made. An existing file is
// left as it is, whatever keys it holds or lacks, and so is one that exists
// but cannot be read: it is made only when no entry of its name exists.
void ensure_settings_file(const SettingsPlace& place) {
  if (file_exists(place.file)) return;
  create_settings_file_through(place.file,
                               {{kTextExtensionKey, kDefaultTextExtension},
                                {kOutputExtensionKey, kDefaultOutputExtension}},
                               place.temporary);
}

// Where the program's folder takes no settings file (an installed program
// started by an ordinary user: nothing is there and nothing could be made,
// and no other run is making one, which its temporary file would show),
// the settings live in the user's own folder for them, where a program
// started from PATH keeps them.
SettingsPlace prepared_settings() {
  SettingsPlace place = settings_place_at(settings_path());
  ensure_settings_file(place);
  const std::string users = users_settings_path();
  if (!users.empty() && place.file != users && !entry_present(place.file) &&
      !entry_present(place.temporary)) {
    place = settings_place_at(users);
    ensure_settings_file(place);
  }
  return place;
}

void finish_run() {
  print_line("");
  print_line("Fertig");
}

// Everything between the working directory and "Fertig": the directory is
// stored and the batch runs over it, with the readability report when
// report is given. A settings file that cannot be read, or lacks the
// output extension, leaves the default in its place: every output gets an
// extension. True when no pair ended with " Fehler".
bool run_batch_in(const SettingsPlace& settings, const std::string& working_directory,
                  const ReadabilityLimits* report) {
  write_setting_through(settings.file, kDirectoryKey, working_directory, settings.temporary);
  const std::string output_extension =
      find_setting(settings.file, kOutputExtensionKey).value_or(kDefaultOutputExtension);

  const bool all_written = run_batch(working_directory, output_extension, report);

  finish_run();
  return all_written;
}

// The line that tells why an answer gives no directory to run on.
std::string not_found_line(const FoundDirectory& found) {
  if (found.found == DirectoryFound::not_a_directory)
    return " Weder Verzeichnis noch gewoehnliche Datei: " + found.directory;
  return " Verzeichnis nicht gefunden: " + found.directory;
}

}  // namespace

void run_program(const ReadabilityLimits* report) {
  const SettingsPlace settings = prepared_settings();

  print_text("Verzeichnis: ");
  const std::string answer = edit_line(read_setting(settings.file, kDirectoryKey));
  print_line("");
  print_line("");
  // The empty answer is the program's own folder (not the current one).
  const FoundDirectory found = find_directory(answer.empty() ? program_directory() : answer, true);
  if (found.found == DirectoryFound::directory) {
    run_batch_in(settings, found.directory, report);
  } else {
    print_line(not_found_line(found));
    finish_run();
  }
  wait_for_key();
}

bool run_program_on(const std::string& directory, const ReadabilityLimits* report) {
  return run_batch_in(prepared_settings(), directory, report);
}

}  // namespace rt
