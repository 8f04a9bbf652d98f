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

}  // namespace rt
