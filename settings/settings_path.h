// Where the settings file and its temporary twin lie. Both are named by one
// rule, so they always lie side by side: started by a path, the settings
// file is argument 0 with the last three characters of its last component
// replaced by "ini" and the temporary file the same with "tmp", both in
// the program's folder whatever the program's name; started by bare name
// where the platform has a user configuration folder, both lie in its
// "retime" folder as "retime.ini" and "retime.tmp", so that a program found
// on PATH neither forgets its directory when started elsewhere nor leaves
// a file in every directory it was started from. Started by a path that
// the program cannot give as bytes (on Windows, a folder whose name the
// ANSI code page cannot hold: "C:\Łódź\retime.exe" on a Western system),
// no file beside it can be reached, and they lie in the "retime" folder of
// the user's application-data folder instead; so they do when the program
// is named so that one of the two names would be its own file. Where the
// program's folder takes no settings file at all (an installed program run
// by an ordinary user), the run keeps them in that user folder too
// (users_settings_path; the run sequence decides).
#pragma once

#include <string>

namespace rt {

// text with the last three characters of its last path component, whatever
// they are, replaced by ending ("C:\Tools\retime.exe" ->
// "C:\Tools\retime.ini"; "retime" -> "retini"); a last component of three
// characters or fewer becomes ending alone, in the same folder ("/t/p6/rt"
// -> "/t/p6/ini"). The folder part is never touched.
std::string with_last_three_replaced(const std::string& text, const std::string& ending);

// The settings file's path for a program started as argument0, where
// config_folder is the user's configuration folder ("" when there is
// none): the "retime" folder's "retime.ini" in config_folder when argument0
// holds no separator and config_folder is not empty; otherwise argument0
// with the last three characters of its name replaced by "ini". When that
// file or its temporary twin would be argument0 itself (a program whose
// name ends in "ini" or "tmp"), the one in config_folder, and "" (no
// settings file) when config_folder is "".
std::string settings_path_for(const std::string& argument0, const std::string& config_folder);

// The settings file in the "retime" folder of folder: folder, "retime" and
// "retime.ini" joined with the platform's separator; "" (no settings file)
// when folder is "".
std::string settings_path_in(const std::string& folder);

// The settings file of this process: settings_path_for(executable_path(),
// user_config_folder()), or users_settings_path() when executable_path()
// gives nothing. "" when there is no place for it: the settings operations
// then fail, and the run goes on as without a settings file.
std::string settings_path();

// The settings file in the user's own folder for them: in the
// configuration folder (user_config_folder() of platform/config_folder.h)
// where the platform has one, else in the application-data folder; ""
// when there is neither.
std::string users_settings_path();

// The temporary file of a rewrite of the settings file at settings: its
// last three characters replaced by "tmp"; "" when settings is "".
std::string temporary_path_of(const std::string& settings);

// The temporary file of a settings rewrite: temporary_path_of(settings_path()).
std::string temporary_settings_path();

// Makes the folders that settings lies in when it lies in a folder of the
// user's (the configuration or application-data folder itself, then its
// "retime" folder, each for the user alone: mode 0700 on POSIX); nothing
// otherwise. Folders that cannot be made are not reported: the settings
// operations then fail as for any unwritable place.
void make_settings_folder(const std::string& settings);

}  // namespace rt
