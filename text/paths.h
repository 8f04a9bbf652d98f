// The pure rules of paths and directory listings, the same on every
// platform: written once here, used by the portable file layer and by the
// native layers beneath it, and tested by tables on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace rt {

// path with every "/" replaced by "\": the form the open operations give
// their paths (and so two paths that differ only there name the same file).
std::string with_backslashes(std::string path);

// path as a POSIX file system takes it: every "\" becomes "/". Nothing when
// the path holds a NUL byte, which the system calls would silently cut off
// and so name another file.
std::optional<std::string> with_slashes(const std::string& path);

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

// The listing's effective mask: mask with every bit from 0x100 up added,
// and the archive bit 0x20 too when mask lacks the directory bit 0x10.
std::uint32_t effective_mask(std::uint32_t mask);

// An entry is admitted when every one of its attribute bits is in the
// effective mask.
bool admitted(std::uint32_t attributes, std::uint32_t effective);

// Whether a directory entry's name may be listed at all: never "." or "..",
// nor a name holding a backslash (paths are composed with "\", so such a
// name would address another file: "..\x" would stand for "x" in the
// parent directory; where "\" is the separator it cannot exist).
bool listable_name(const std::string& name);

// Whether name, put after a folder and "\", names an entry directly in that
// folder: not empty, not "." or "..", and without "\" or "/".
bool plain_file_name(const std::string& name);

}  // namespace rt
