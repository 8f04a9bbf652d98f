#include "driver/run_sequence.h"

#include "console/edit_line.h"
#include "console/terminal.h"
#include "driver/batch.h"
#include "settings/settings.h"
#include "text/console_print.h"
#include "text/files.h"
#include "text/filesystem.h"
#include "text/texts.h"

namespace rt {
namespace {

const std::string kTextExtensionKey = "texterweiterung";
const std::string kOutputExtensionKey = "ausgabeerweiterung";
const std::string kDirectoryKey = "verzeichnis";
const std::string kDefaultTextExtension = ".txt";
const std::string kDefaultOutputExtension = ".src";

// A first run finds no settings file: an empty one is made and the two
// extensions are stored, in this order. An existing file is left as it is,
// whatever keys it holds or lacks, and so is one that exists but cannot be
// read: it is made only when no entry of its name exists, never emptied.
void ensure_settings_file(const std::string& settings) {
  if (file_exists(settings)) return;
  if (!create_empty_file(settings)) return;
  write_setting(settings, kTextExtensionKey, kDefaultTextExtension);
  write_setting(settings, kOutputExtensionKey, kDefaultOutputExtension);
}

}  // namespace

std::string settings_path_for(const std::string& argument0) {
  return left_text(argument0, text_length(argument0) - 3) + "ini";
}

std::string normalise_working_directory(const std::string& answer) {
  const Pos dot = find_last(answer, ".", -1);
  const Pos separator = find_any_last(answer, "\\/", -1);
  if (separator < dot) return left_text(answer, separator - 1);
  return answer;
}

void run_program() {
  const std::string settings = settings_path_for(executable_path());
  ensure_settings_file(settings);

  print_text("Verzeichnis: ");
  std::string working_directory = edit_line(read_setting(settings, kDirectoryKey));
  print_line("");
  print_line("");
  // An empty answer means the program's own folder, not the current one.
  if (working_directory.empty()) working_directory = program_directory();
  working_directory = normalise_working_directory(working_directory);
  write_setting(settings, kDirectoryKey, working_directory);
  const std::string output_extension = read_setting(settings, kOutputExtensionKey);

  run_batch(working_directory, output_extension);

  print_line("");
  print_line("Fertig");
  wait_for_key();
}

}  // namespace rt
