// Where the settings file and its temporary twin lie. Both are named by one
// rule, so they always lie side by side: started by a path, the settings
// file is argument 0 with its last three characters replaced by "ini" and
// the temporary file the same with "tmp"; started by bare name where the
// platform has a user configuration folder, both lie in its "retime"
// folder as "retime.ini" and "retime.tmp", so that a program found on PATH
// neither forgets its directory when started elsewhere nor leaves a file
// in every directory it was started from. Started by a path that the
// program cannot give as bytes (on Windows, a folder whose name the ANSI
// code page cannot hold: "C:\Łódź\retime.exe" on a Western system), no
// file beside it can be reached, and they lie in the "retime" folder of
// the user's application-data folder instead.
#pragma once

#include <string>

namespace rt {

// text with its last three characters, whatever they are, replaced by
// ending ("C:\Tools\retime.exe" -> "C:\Tools\retime.ini"; "retime" ->
// "retini"; three characters or fewer -> ending alone).
std::string with_last_three_replaced(const std::string& text, const std::string& ending);

// The settings file's path for a program started as argument0, where
// config_folder is the user's configuration folder ("" when there is
// none): the "retime" folder's "retime.ini" in config_folder when argument0
// holds no separator and config_folder is not empty; otherwise argument0
// with its last three characters replaced by "ini".
std::string settings_path_for(const std::string& argument0, const std::string& config_folder);

// The settings file in the "retime" folder of folder: folder, "retime" and
// "retime.ini" joined with the platform's separator; "" (no settings file)
// when folder is "".
std::string settings_path_in(const std::string& folder);

// The settings file of this process: settings_path_for(executable_path(),
// user_config_folder()), or settings_path_in(application_data_folder())
// when executable_path() gives nothing. "" when there is no place for it:
// the settings operations then fail, and the run goes on as without a
// settings file.
std::string settings_path();

// The temporary file of a settings rewrite: settings_path() with its last
// three characters replaced by "tmp"; "" when settings_path() is "".
std::string temporary_settings_path();

// Makes the folders that settings_path() lies in when it lies in a folder
// of the user's (the configuration or application-data folder itself, then
// its "retime" folder, each for the user alone: mode 0700 on POSIX);
// nothing otherwise. Folders that cannot be made are not reported: the
// settings operations then fail as for any unwritable place.
void make_settings_folder();

}  // namespace rt
