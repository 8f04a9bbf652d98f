#include "settings/config_folder.h"

namespace rt {

// Windows keeps the settings file beside argument 0 whatever way the
// program was started.
std::string user_config_folder() { return std::string(); }

}  // namespace rt
