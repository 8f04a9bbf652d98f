#include "settings/settings_path.h"

#include <optional>

#include "platform/config_folder.h"
#include "text/filesystem.h"
#include "text/paths.h"

namespace rt {
namespace {

constexpr std::size_t kReplacedEndingLength = 3;
const std::string kSettingsEnding = "ini";
const std::string kTemporaryEnding = "tmp";
const std::string kSettingsFolderName = "retime";
const std::string kSettingsFileName = "retime.ini";

// A program found on PATH gets argument 0 as it was typed, without a folder.
bool is_bare_name(const std::string& argument0) { return last_separator(argument0) == std::string::npos; }

// Whether the settings beside argument0 would take the program's own file
// for the settings file or for its temporary file (a leftover to remove).
bool names_the_program(const std::string& argument0) {
  return same_entry_name(with_last_three_replaced(argument0, kSettingsEnding), argument0) ||
         same_entry_name(with_last_three_replaced(argument0, kTemporaryEnding), argument0);
}

// The user's own folder for settings that cannot lie beside argument 0:
// the configuration folder where the platform has one, else the
// application-data folder.
std::string users_settings_folder() {
  const std::string config_folder = user_config_folder();
  return config_folder.empty() ? application_data_folder() : config_folder;
}

// The folder of the user's whose "retime" folder would hold settings.
std::string users_folder_of(const std::string& settings) {
  for (const std::string& folder : {user_config_folder(), application_data_folder()}) {
    if (!folder.empty() && settings == settings_path_in(folder)) return folder;
  }
  return "";
}

}  // namespace

std::string with_last_three_replaced(const std::string& text, const std::string& ending) {
  const std::size_t separator = last_separator(text);
  const std::size_t name_start = separator == std::string::npos ? 0 : separator + 1;
  const std::size_t name_length = text.size() - name_start;
  const std::size_t kept = name_length > kReplacedEndingLength ? name_length - kReplacedEndingLength : 0;
  return text.substr(0, name_start + kept) + ending;
}

std::string settings_path_in(const std::string& folder) {
  if (folder.empty()) return "";
  return joined_path(joined_path(folder, kSettingsFolderName), kSettingsFileName);
}

std::string settings_path_for(const std::string& argument0, const std::string& config_folder) {
  if (names_the_program(argument0)) return settings_path_in(config_folder);
  if (is_bare_name(argument0) && !config_folder.empty()) return settings_path_in(config_folder);
  return with_last_three_replaced(argument0, kSettingsEnding);
}

std::string settings_path() {
  const std::optional<std::string> argument0 = executable_path();
  if (!argument0) return users_settings_path();
  // A program whose own file the settings would take has no place beside
  // it; where the platform has no configuration folder it gets the
  // application-data folder.
  const std::string config_folder = names_the_program(*argument0) ? users_settings_folder() : user_config_folder();
  return settings_path_for(*argument0, config_folder);
}

std::string users_settings_path() { return settings_path_in(users_settings_folder()); }

std::string temporary_path_of(const std::string& settings) {
  if (settings.empty()) return "";
  return with_last_three_replaced(settings, kTemporaryEnding);
}

std::string temporary_settings_path() { return temporary_path_of(settings_path()); }

void make_settings_folder(const std::string& settings) {
  const std::string folder = users_folder_of(settings);
  if (folder.empty()) return;
  // Only the user may look into them: the settings hold the directories
  // the user works in.
  make_directory(folder, true);
  make_directory(joined_path(folder, kSettingsFolderName), true);
}

}  // namespace rt
