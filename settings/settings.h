// The settings file: lines of the form key=value, at settings_path()
// (settings/settings_path.h). A setting line of key K begins with exactly K followed by
// "=" (bytes, case-sensitive, nothing before the key); its value is
// everything after the first "=". Other lines mean nothing and are kept.
// Neither operation creates the settings file, and neither prints.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "settings/settings_path.h"

namespace rt {

// One run rewrites the file at a time. The temporary file is the lock: it
// is created exclusively and held (text/atomic_save.h) from before the file
// is read until the rewritten file has taken its place, which also ends
// the lock. A second run waits for it up to two seconds, then leaves the
// file as it is (its setting is not stored; the run goes on). A temporary
// file left by a killed run is taken over when it is a regular file of the
// same user that no run holds any more; anything else under its name
// (another user's file, a link, a folder) is never written, followed or
// removed: the setting is then not stored.
//
// Results of write_setting.
constexpr int kSettingWritten = 0;
// The key or value holds CR, LF or 0x1A (the line would not read back as
// written), the settings file cannot be read or may not be written (its
// protection is kept), or the temporary file cannot be made or stays held
// by another run; the settings file is untouched and no temporary file is
// left.
constexpr int kSettingNotWritten = 1;
// The rewritten file could not be completed, put on the disk (synced) or
// put in place; the settings file is untouched and the temporary file has
// been removed.
constexpr int kSettingNotReplaced = 2;

// The value of the first setting line of key in the file at path; "" when
// the file cannot be read, holds no such line, or the value is empty. Opens
// the file under the lowest free file number and closes it again.
std::string read_setting(const std::string& path, const std::string& key);

// The value of the first setting line of key in the file at path, as
// read_setting gives it, empty values included; nothing when the file
// cannot be read or holds no setting line of key, so that a caller can put
// its default in the place of a value that is not there.
std::optional<std::string> find_setting(const std::string& path, const std::string& key);

// Stores value under key by rewriting the file at path through the temporary
// settings file (temporary_settings_path). Every setting line of key is
// replaced in place by key=value; without one, key=value is appended last.
// All other lines are copied in order, and every line ends with CR LF
// afterwards. At least one line is always handled, so an empty file becomes
// an empty line followed by the new setting. The new file, synced, takes
// the old one's place in one step, with its mode (and owner and group as
// far as the process may set them), so the settings file is never missing
// or half written. A settings file that is a symbolic link stays one: the
// file it leads to is rewritten, through a temporary file beside that file
// named like it with "tmp" for its last three characters. Uses the lowest
// free file numbers: first for the settings file, then for the temporary
// file. Returns kSettingWritten (0) or one of the nonzero results above.
int write_setting(const std::string& path, const std::string& key, const std::string& value);

// write_setting with the temporary file at temporary_path instead of
// temporary_settings_path() (beside the settings file, wherever that lies).
// A temporary_path naming the settings file itself is refused with
// kSettingNotWritten.
int write_setting_through(const std::string& path, const std::string& key,
                          const std::string& value, const std::string& temporary_path);

// A key and the value a new settings file starts with.
struct Setting {
  std::string key;
  std::string value;
};

// Makes the settings file at path, when no entry of that name exists, with
// the lines that an empty file rewritten by write_setting for each of
// settings in turn would hold: an empty line, then key=value for each, all
// ended by CR LF. The file appears whole or not at all, in one step, so a
// second run never sees it half made and never has it replaced; the lock
// is the one write_setting takes. Returns kSettingWritten when this call
// made the file, otherwise kSettingNotWritten (an entry of that name is
// there, a key or value holds CR, LF or 0x1A, or the temporary file cannot
// be made) or kSettingNotReplaced (the new file could not be completed or
// put in place, also when another run's file came first).
int create_settings_file(const std::string& path, const std::vector<Setting>& settings);

// create_settings_file with the temporary file at temporary_path.
int create_settings_file_through(const std::string& path, const std::vector<Setting>& settings,
                                 const std::string& temporary_path);

}  // namespace rt
