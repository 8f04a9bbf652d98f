// Where the settings file and its temporary twin lie. Both are named by one
// rule, so they always lie side by side: started by a path, the settings
// file is argument 0 with its last three characters replaced by "ini" and
// the temporary file the same with "tmp"; started by bare name where the
// platform has a user configuration folder, both lie in its "retime"
// folder as "retime.ini" and "retime.tmp", so that a program found on PATH
// neither forgets its directory when started elsewhere nor leaves a file
// in every directory it was started from.
#pragma once

#include <string>

namespace rt {

// text with its last three characters, whatever they are, replaced by
// ending ("C:\Tools\retime.exe" -> "C:\Tools\retime.ini"; "retime" ->
// "retini"; three characters or fewer -> ending alone).
std::string with_last_three_replaced(const std::string& text, const std::string& ending);

// The settings file's path for a program started as argument0, where
// config_folder is the user's configuration folder ("" when there is
// none): config_folder + "\retime\retime.ini" when argument0 holds neither
// "/" nor "\" and config_folder is not empty; otherwise argument0 with its
// last three characters replaced by "ini".
std::string settings_path_for(const std::string& argument0, const std::string& config_folder);

// The settings file of this process: settings_path_for(executable_path(),
// user_config_folder()).
std::string settings_path();

// The temporary file of a settings rewrite: settings_path() with its last
// three characters replaced by "tmp".
std::string temporary_settings_path();

// Makes the folders that settings_path() lies in when it lies in the user's
// configuration folder (the configuration folder itself, then its "retime"
// folder, each for the user alone: mode 0700 on POSIX); nothing otherwise. Folders that cannot be made are not reported:
// the settings operations then fail as for any unwritable place.
void make_settings_folder();

}  // namespace rt
