// The settings file: lines of the form key=value, at settings_path()
// (settings/settings_path.h). A setting line of key K begins with exactly K followed by
// "=" (bytes, case-sensitive, nothing before the key); its value is
// everything after the first "=". Other lines mean nothing and are kept.
// Neither operation creates the settings file, and neither prints.
#pragma once

#include <string>

#include "settings/settings_path.h"

namespace rt {

// Results of write_setting.
constexpr int setting_written = 0;
// The settings file cannot be read or may not be written (its protection
// is kept), or the temporary file cannot be made; the settings file is
// untouched and no temporary file is left.
constexpr int setting_not_written = 1;
// The rewritten file could not be completed, put on the disk (synced) or
// put in place; the settings file is untouched and the temporary file has
// been removed.
constexpr int setting_not_replaced = 2;

// The value of the first setting line of key in the file at path; "" when
// the file cannot be read, holds no such line, or the value is empty. Opens
// the file under the lowest free file number and closes it again.
std::string read_setting(const std::string& path, const std::string& key);

// Stores value under key by rewriting the file at path through the temporary
// settings file (temporary_settings_path). Every setting line of key is
// replaced in place by key=value; without one, key=value is appended last.
// All other lines are copied in order, and every line ends with CR LF
// afterwards. At least one line is always handled, so an empty file becomes
// an empty line followed by the new setting. The new file takes the old
// one's place in one step, so the settings file is never missing or half
// written. Uses the lowest free file numbers: first for the settings file,
// then for the temporary file. Returns setting_written (0) or one of the
// nonzero results above.
int write_setting(const std::string& path, const std::string& key, const std::string& value);

// write_setting with the temporary file at temporary_path instead of the one
// beside argument 0. A temporary_path naming the settings file itself is
// refused with setting_not_written.
int write_setting_through(const std::string& path, const std::string& key,
                          const std::string& value, const std::string& temporary_path);

}  // namespace rt
