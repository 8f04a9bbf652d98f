#include "driver/run_sequence.h"

#include "console/edit_line.h"
#include "console/terminal.h"
#include "driver/batch.h"
#include "settings/settings.h"
#include "text/console_print.h"
#include "text/files.h"
#include "text/filesystem.h"
#include "text/paths.h"

namespace rt {
namespace {

const std::string kTextExtensionKey = "texterweiterung";
const std::string kOutputExtensionKey = "ausgabeerweiterung";
const std::string kDirectoryKey = "verzeichnis";
const std::string kDefaultTextExtension = ".txt";
const std::string kDefaultOutputExtension = ".src";

// A first run finds no settings file: it is made holding the two
// extensions, in this order, as storing them one after the other in an
// empty file would leave it, but in one step, so that a second first run
// started at the same moment never sees it half made. An existing file is
// left as it is, whatever keys it holds or lacks, and so is one that exists
// but cannot be read: it is made only when no entry of its name exists.
void ensure_settings_file(const std::string& settings) {
  if (file_exists(settings)) return;
  create_settings_file(settings, {{kTextExtensionKey, kDefaultTextExtension},
                                  {kOutputExtensionKey, kDefaultOutputExtension}});
}

}  // namespace

std::string normalise_working_directory(const std::string& answer) {
  const std::size_t separator = last_separator(answer);
  const std::size_t name_start = separator == std::string::npos ? 0 : separator + 1;
  if (answer.find('.', name_start) == std::string::npos) return answer;
  return separator == std::string::npos ? "" : answer.substr(0, separator);
}

namespace {

// Everything between the working directory and "Fertig": the directory is
// stored and the batch runs over it, with the readability report when
// report is given. True when no pair ended with " Fehler".
bool run_batch_in(const std::string& settings, const std::string& working_directory,
                  const ReadabilityLimits* report) {
  write_setting(settings, kDirectoryKey, working_directory);
  const std::string output_extension = read_setting(settings, kOutputExtensionKey);

  const bool all_written = run_batch(working_directory, output_extension, report);

  print_line("");
  print_line("Fertig");
  return all_written;
}

// The empty answer becomes the program's own folder (not the current one),
// and the answer is normalised.
std::string working_directory_of(std::string answer) {
  if (answer.empty()) answer = program_directory();
  return normalise_working_directory(answer);
}

std::string prepared_settings() {
  make_settings_folder();
  const std::string settings = settings_path();
  ensure_settings_file(settings);
  return settings;
}

}  // namespace

void run_program(const ReadabilityLimits* report) {
  const std::string settings = prepared_settings();

  print_text("Verzeichnis: ");
  const std::string answer = edit_line(read_setting(settings, kDirectoryKey));
  print_line("");
  print_line("");
  run_batch_in(settings, working_directory_of(answer), report);
  wait_for_key();
}

bool run_program_on(const std::string& directory, const ReadabilityLimits* report) {
  return run_batch_in(prepared_settings(), directory, report);
}

}  // namespace rt
