// Where a platform keeps a user's settings: the folders the portable
// choice of settings/settings_path.cpp picks from. Implemented by
// posix/config_folder.cpp and win32/config_folder.cpp.
#pragma once

#include <string>

namespace rt {

// The user's configuration folder, where a program started by bare name
// keeps its settings; "" when the platform has none for it or it cannot be
// told. On POSIX: $XDG_CONFIG_HOME when it is an absolute path, else
// $HOME/.config when $HOME is an absolute path. On Windows: "" (the settings
// file stays beside argument 0).
std::string user_config_folder();

// The user's roaming application-data folder, for settings that cannot lie
// beside argument 0 where the platform has no configuration folder: on
// Windows %APPDATA% when it is a full path, in its short form where the
// code page cannot hold its name; "" when it cannot be told or named. On
// POSIX "": the configuration folder serves.
std::string application_data_folder();

}  // namespace rt
