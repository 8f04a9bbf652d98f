// The user's configuration folder on POSIX, by the XDG base directory rules.
#include "platform/config_folder.h"

#include <cstdlib>

namespace rt {
namespace {

// The base directory rules ignore relative paths: they would name another
// folder in every directory the program is started from.
std::string absolute_variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] != '/') return std::string();
  return value;
}

}  // namespace

std::string user_config_folder() {
  const std::string config_home = absolute_variable("XDG_CONFIG_HOME");
  if (!config_home.empty()) return config_home;
  const std::string home = absolute_variable("HOME");
  return home.empty() ? home : home + "/.config";
}

// The configuration folder serves for it.
std::string application_data_folder() { return std::string(); }

}  // namespace rt
