// The pure path and listing rules: written once here, used by the portable
// file layer and by the native layers beneath it, and tested by tables on
// every platform. Which characters separate the components of a path is
// the platform's (asked of the native layer), and every rule that looks
// for a separator asks is_separator: on Windows "\" and "/" both
// separate, elsewhere "/" alone, and a "\" is an ordinary character of a
// name there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/shared/path_forms.h"

namespace rt {

// posix_path, directory_of, the command line's words and the long form
// of Windows paths: platform/shared/path_forms.h.

// Whether c separates the components of a path on this platform.
bool is_separator(char c);

// The separator the program composes its paths with: "\" on Windows, "/"
// elsewhere.
char path_separator();

// folder, the separator and name, by plain concatenation: a folder that
// ends in a separator keeps it, and the file system takes the two in a row.
std::string joined_path(const std::string& folder, const std::string& name);

// The position of the last separator in path; npos when it holds none.
std::size_t last_separator(const std::string& path);

// The folder holding the last component of path: path cut before its last
// separator; a root keeps its separator ("/film1.srt" gives "/", and where
// "\" separates, "C:\film1.srt" gives "C:\"); "" when path holds no
// separator.
std::string containing_folder(const std::string& path);

// path with every separator written as the platform's own: "/" becomes "\"
// on Windows, the form the open operations give their paths (so two paths
// that differ only there name the same file); elsewhere path as it is.
std::string with_native_separators(std::string path);

// The listing's effective mask: mask with every bit from 0x100 up added,
// and the archive bit 0x20 too when mask lacks the directory bit 0x10.
std::uint32_t effective_mask(std::uint32_t mask);

// An entry is admitted when every one of its attribute bits is in the
// effective mask.
bool admitted(std::uint32_t attributes, std::uint32_t effective);

// Whether a directory entry's name may be listed at all: never "." or "..",
// nor a name holding a separator (it would address another file: on
// Windows "..\x" would stand for "x" in the parent directory; a name from
// the file system holds one only where a double-byte character's second
// byte is that of "\"). Where "/" alone separates, a name holding "\" is
// listed like any other.
bool listable_name(const std::string& name);

// Whether name, joined to a folder, names an entry directly in that
// folder: not empty, not "." or "..", and without a separator.
bool plain_file_name(const std::string& name);

}  // namespace rt
