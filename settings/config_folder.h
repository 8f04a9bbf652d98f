// The native part of the settings location.
#pragma once

#include <string>

namespace rt {

// The user's configuration folder, where a program started by bare name
// keeps its settings; "" when the platform has none for it or it cannot be
// told. On POSIX: $XDG_CONFIG_HOME when it is an absolute path, else
// $HOME/.config when $HOME is an absolute path. On Windows: "" (the settings
// file stays beside argument 0).
std::string user_config_folder();

// The folder where a program keeps its settings when its argument 0 cannot
// be given as bytes (executable_path of text/filesystem.h gives nothing),
// so that no settings file can lie beside it: on Windows the user's
// roaming application-data folder (%APPDATA%, when it is a full path), in
// its short form where the code page cannot hold its name; "" when it
// cannot be told or named. On POSIX argument 0 is always bytes:
// user_config_folder().
std::string application_data_folder();

}  // namespace rt
