// The forms of paths and command lines that the native layers hand to
// their systems or get from them, and that the portable path rules
// (text/paths.h) build on: pure, so they are tested on every platform. The
// one rule of a drive letter is here too.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace rt {

// Whether path begins with a drive, a letter A to Z (either case) and ":"
// ("C:", "c:\filme"); the same for UTF-16.
bool starts_with_drive(const std::string& path);
bool starts_with_drive(const std::wstring& path);

// Whether path begins with a drive and the separator after it ("C:\" or
// "C:/"): a drive path, full from its root on.
bool is_drive_path(const std::wstring& path);

// path as a POSIX system call takes it: as it is, since "/" alone
// separates there. Nothing when the path holds a NUL byte, which the system
// calls would silently cut off and so name another file.
std::optional<std::string> posix_path(const std::string& path);

// The directory part of a program file's path whose separator is
// separator: the path cut before its last separator; the root itself for a
// file in the POSIX root ("/retime" gives "/"); with "\" as separator a
// drive root "X:" gets it back ("C:\retime.exe" gives "C:\"); "" when there
// is no separator.
std::string directory_of(const std::string& file_path, char separator);

// Argument 0 as the C runtime of Windows takes it from the process's
// command line: the first word, up to the first blank or tab that stands
// outside double quotes; the quotes themselves are dropped, wherever they
// stand in the word (C:\"Program Files"\retime.exe gives
// C:\Program Files\retime.exe), and a backslash escapes nothing (a
// program's path cannot hold a quote). The same for the command line as
// the system keeps it, in UTF-16.
std::string program_path_of_command_line(const std::string& command_line);
std::wstring program_path_of_command_line(const std::wstring& command_line);

// Every word of a command line as the C runtime of Windows splits it into
// its arguments: argument 0 by the rule above, then words that blanks and
// tabs outside double quotes separate. In them 2n backslashes before a
// quote give n backslashes and the quote begins or ends a quoted part,
// 2n + 1 give n backslashes and a quote of the word, two quotes within a
// quoted part give one quote of the word, and backslashes before anything
// else stay as they are (C:\Filme\ is that word, and so is the quoted
// "C:\Filme\\", while "C:\Filme\" would run on past its closing quote).
// The same for UTF-16.
std::vector<std::string> command_line_words(const std::string& command_line);
std::vector<std::wstring> command_line_words(const std::wstring& command_line);

// Paths whose full form has this many characters or more reach the file
// calls of Windows in the long form: the plain form stops at MAX_PATH (260
// characters with the closing NUL), and a folder's path 12 characters
// earlier, so that an 8.3 name still fits into it.
constexpr std::size_t kLongPathFrom = 248;

// The path the wide file calls of Windows get for given, whose full form
// is full: what the system made of given (GetFullPathNameW: made absolute,
// "/" turned into "\", "." and ".." resolved, trailing dots and blanks
// cut). A full form shorter than kLongPathFrom, or an empty one (the
// system could not make it), leaves given as it is, for the system to
// resolve as always. A longer one becomes the long form, which the system
// takes as it stands, up to about 32,767 characters: "\\?\" before a drive
// path, "\\?\UNC\" in place of the two backslashes that begin a network
// path, and every run of separators after that start made one (the long
// form resolves nothing itself, and the program's composed paths hold
// "\\" where a folder ends in a separator). given already in the long form
// or in the device namespace ("\\?\", "\\.\") stays as it is.
std::wstring long_path_form(const std::wstring& given, const std::wstring& full);

// A path as the system reports it (GetFinalPathNameByHandleW) in its plain
// form: "\\?\C:\x" becomes "C:\x" and "\\?\UNC\server\share" becomes
// "\\server\share"; anything else stays. The file calls of this program
// add the long form back where a path needs it.
std::wstring without_long_path_prefix(const std::wstring& path);

namespace native {

// The separator of the platform's own paths, those program_file_path
// (platform/folders.h) gives: '/' on POSIX, '\' on Windows. Declared here,
// below the portable path rules that ask for it; implemented by
// posix/folders.cpp and win32/folders.cpp.
char native_separator();

}  // namespace native

}  // namespace rt
