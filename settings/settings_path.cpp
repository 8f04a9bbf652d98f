#include "settings/settings_path.h"

#include <optional>

#include "settings/config_folder.h"
#include "text/filesystem.h"
#include "text/paths.h"
#include "text/texts.h"

namespace rt {
namespace {

constexpr Pos kReplacedEndingLength = 3;
const std::string kSettingsEnding = "ini";
const std::string kTemporaryEnding = "tmp";
const std::string kSettingsFolderName = "retime";
const std::string kSettingsFileName = "retime.ini";

// A program found on PATH gets argument 0 as it was typed, without a folder.
bool is_bare_name(const std::string& argument0) { return last_separator(argument0) == std::string::npos; }

}  // namespace

std::string with_last_three_replaced(const std::string& text, const std::string& ending) {
  return left_text(text, text_length(text) - kReplacedEndingLength) + ending;
}

std::string settings_path_in(const std::string& folder) {
  if (folder.empty()) return "";
  return joined_path(joined_path(folder, kSettingsFolderName), kSettingsFileName);
}

std::string settings_path_for(const std::string& argument0, const std::string& config_folder) {
  if (is_bare_name(argument0) && !config_folder.empty()) return settings_path_in(config_folder);
  return with_last_three_replaced(argument0, kSettingsEnding);
}

namespace {

// The user's folder whose "retime" folder holds the settings; "" when they
// lie beside argument 0.
std::string users_settings_folder() {
  const std::optional<std::string> argument0 = executable_path();
  if (!argument0) return application_data_folder();
  return is_bare_name(*argument0) ? user_config_folder() : "";
}

}  // namespace

std::string settings_path() {
  const std::optional<std::string> argument0 = executable_path();
  if (!argument0) return settings_path_in(application_data_folder());
  return settings_path_for(*argument0, user_config_folder());
}

std::string temporary_settings_path() {
  const std::string settings = settings_path();
  if (settings.empty()) return "";
  return with_last_three_replaced(settings, kTemporaryEnding);
}

void make_settings_folder() {
  const std::string folder = users_settings_folder();
  if (folder.empty()) return;
  // Only the user may look into them: the settings hold the directories
  // the user works in.
  make_private_directory(folder);
  make_private_directory(joined_path(folder, kSettingsFolderName));
}

}  // namespace rt
