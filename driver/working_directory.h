// The working directory a user names, on the command line or as the answer
// to the question: one rule for both, looked up on disk.
#pragma once

#include <string>

namespace rt {

enum class DirectoryFound {
  directory,        // an existing directory to run on
  missing,          // nothing there (or nothing that can be looked at)
  not_a_directory,  // something that is neither a directory nor a regular file
};

struct FoundDirectory {
  DirectoryFound found = DirectoryFound::missing;
  // The directory's absolute path in the system's form when found;
  // otherwise the path that was looked for, as given.
  std::string directory;
};

// What given names: an existing directory is that directory, whatever dots
// its name holds ("." the current one, ".." its parent); an existing
// regular file stands for the folder it lies in. Anything else there (a
// pipe, a device) is not_a_directory. With file_name_by_dot, a given that
// names nothing and whose last component holds a dot is taken for the name
// of a file in the folder before that component (normalise_working_directory;
// for a bare name the current directory), which is then looked up in turn;
// without it such a given is missing. Only looks, never makes anything.
FoundDirectory find_directory(const std::string& given, bool file_name_by_dot);

// The folder an answer that names a file stands for: when its last
// component (after the last separator) holds a dot, the answer is cut
// before that separator, a root keeping it ("/subs/film1.srt" -> "/subs",
// "/film1.srt" -> "/", "film1.srt" -> ""); otherwise it stays as it is.
std::string normalise_working_directory(const std::string& answer);

}  // namespace rt
