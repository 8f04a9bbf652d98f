// Which symbolic links a run follows on POSIX, shared by the two native
// files of the file layer (implemented in posix/folders.cpp).
//
// A link is followed only when it belongs to the process's own user or to
// root. Anyone may make a link to anything, and the owner of a working
// directory is often not the user who runs the program there: a link they
// planted (s.txt -> /etc/shadow, untertitel -> /root) would make a run read
// a file they may not read, or write where they may not write, with the
// rights of the one who runs it. A user's own links, and those the system
// makes, work as before.
//
// The rule holds where a run meets a name of the working directory: the
// last component of a path, link after link along a chain, and the folder
// a save writes into (the last component of the folder's path). Folders on
// the way are followed as the system follows them: whoever named the
// working directory chose that way.
#pragma once

#include <string>

#include "platform/shared/file_error.h"

namespace rt {
namespace native {

// Where the last component of a path leads: path holds the path, in the
// system's form, unless refused says why there is none.
struct FollowedPath {
  std::string path;
  FileError refused;  // foreign_link, or too_many_links
  explicit operator bool() const { return !refused.failed(); }
};

// The path that the last component of native (a path in the system's form)
// leads to: native itself when that is no link (or nothing at all),
// otherwise the link's target, and so on along a chain of links, each of
// which the rule lets be followed. Refused when a link of another user, or
// more links in a row than the system itself follows, stand in the way.
// The last component of the result was no link when it was looked at;
// whoever uses it makes sure it still is none (O_NOFOLLOW,
// AT_SYMLINK_NOFOLLOW).
FollowedPath followed_path(const std::string& native);

// The folder that holds the last component of native (a path in the
// system's form), opened to work in (O_PATH): its own last component is
// followed only as followed_path follows it. The last component of native
// goes to name. -1 when the folder cannot be opened, with error saying why
// (the system's answer, or followed_path's refusal). The caller closes the
// descriptor.
int open_folder_of(const std::string& native, std::string& name, FileError& error);

// Gives the entry from_name in from_folder the name to_name in to_folder
// (folders opened by open_folder_of, or AT_FDCWD for plain paths), in one
// step. replace allows an existing entry there to be replaced; without it
// an entry there (a link too) is never replaced, on file systems without
// renameat2 as well (exists). Nothing changed when it fails: the error
// says why.
FileError rename_entry(int from_folder, const std::string& from_name, int to_folder, const std::string& to_name,
                       bool replace);

}  // namespace native
}  // namespace rt
