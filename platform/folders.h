// What each platform supplies beneath the file system operations of
// text/filesystem.h and the saves: the entries of folders and their names
// (listing, removing, renaming, making, looking at) and the program's own
// path, a handful of calls of the system each. The rules of which entries are listed, of composed paths
// and of the program's folder sit above this line in portable code.
//
// Paths arrive as in platform/files.h and are refused alike. No call
// prints or throws, and none waits on anything but a file on disk, except
// a replacement that Windows retries for about a second on purpose.
// Implemented by native_folders_posix.cpp and native_folders_win32.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/shared/file_error.h"
#include "platform/shared/entries.h"

namespace rt {
namespace native {

// One entry of a directory listing. attributes uses the bits of
// text/filesystem.h (read-only 0x01, hidden 0x02, system 0x04, directory
// 0x10, archive 0x20, further bits from 0x40 up) as the platform's file
// system has them; a POSIX file system has none of its own, so its layer
// gives a regular file the archive bit, the hidden bit for a name that
// begins with a dot and the read-only bit when its owner may not write it.
//
// On Windows a name is given in the ANSI code page, and only when the code
// page holds every one of its characters: a name given as "?" or a
// look-alike could not be opened again, or would name another file, so
// such a name is left out, as though the entry were not there.
struct DirectoryEntry {
  std::string name;  // bare, byte for byte as the file system stores it
  std::uint32_t attributes = 0;
};

// Starts a listing of the entries that pattern matches ("DIR\*.*": every
// entry of DIR, names without a dot included; the listing does not
// descend), ending the one in progress, and gives its first entry. False
// when nothing matches or the directory is missing; no listing is then in
// progress. Only directories and regular files on disk (links to them
// followed, with the attributes of what they lead to) are ever given:
// pipes, sockets, devices, dangling links, reserved device names and (on
// Windows) names the code page cannot hold are left out by the layer.
bool start_listing(const std::string& pattern, DirectoryEntry& first);

// The next entry of the listing in progress; false when there is none
// (or no listing is in progress), and the listing is then over.
bool next_listing_entry(DirectoryEntry& entry);

// 0 when the file at path was deleted; nonzero otherwise.
int remove_file(const std::string& path);

// Gives the file at old_path the path new_path, never replacing a file (or
// link) that exists there; retried on Windows as replace_file is.
// 0 on success; nonzero, with nothing changed, otherwise.
int rename_file(const std::string& old_path, const std::string& new_path);

// Puts the file at old_path in place of the one at new_path in one step
// (an existing file there is replaced, never left missing). On Windows the
// rename is written through and retried for about a second while another
// program (a virus scanner, a sync client) holds either file.
// 0 on success; nonzero, with nothing changed, otherwise.
int replace_file(const std::string& old_path, const std::string& new_path);

// Makes the renames done in the folder holding path durable (the folder is
// synced on POSIX; Windows has no call for a folder: its file systems keep
// a rename whole through their journal, and a rename by path is written
// through).
void sync_folder_of(const std::string& path);

// Creates the one directory path; nothing is reported. A private folder
// is for its owner alone (0700 on POSIX; on Windows it inherits its
// parent's access rules like any other).
void make_directory(const std::string& path, bool private_folder);

// What the entry at path is, links followed (EntryKind of text/filesystem.h):
// missing also for a dangling link, a path through a file, a path the
// system cannot look at, and one that cannot name a file; "other" for
// pipes, sockets and devices (on Windows the reserved device names). Only
// looks, never opens.
EntryKind entry_kind(const std::string& path);

// The absolute path of the existing entry at path, in the system's own form
// ("/home/anna/filme", "C:\Filme"), with "." and ".." and the current
// directory resolved and no separator at its end unless it is a root. A
// link as the last component stays that link (a file keeps its folder).
// "" when it cannot be worked out.
std::string absolute_path(const std::string& path);

// What a save would replace at path, the last component not followed when
// it is a link: nothing, a regular file, a folder, a link, something else
// (a pipe, a socket, a device); or no_folder when the folder that would
// hold it cannot be used (missing, no folder, reached through a link of
// another user), and unknown when the entry cannot be looked at (no
// permission, a name too long, a path that can name no file): error says
// why in these two.
enum class TargetKind { missing, file, folder, link, special, no_folder, unknown };
struct Target {
  TargetKind kind = TargetKind::missing;
  FileError error;
};
Target look_at_target(const std::string& path);

// The file a symbolic link at path finally leads to, as a full path; path
// itself when its last component is no link (or the link leads nowhere).
std::string final_file(const std::string& path);

// Argument 0 of the process's command line exactly as received: on POSIX
// main's argv[0] as the C library keeps it; on Windows read from the
// command line in UTF-16 (the C runtime's argv[0] turns a character the
// ANSI code page lacks into a look-alike, which could name another file),
// and nothing when the code page cannot hold it.
std::optional<std::string> executable_path();

// The words after argument 0 (command_arguments of text/filesystem.h): on
// POSIX argv as main got it; on Windows from GetCommandLineW, argc and
// argv not looked at, each word in the ANSI code page when it holds it
// exactly and marked as not exact otherwise.
std::vector<CommandWord> command_arguments(int argc, char** argv);

// same_entry_name of text/filesystem.h.
bool same_entry_name(const std::string& a, const std::string& b);

// The full path of the running program's file as the system reports it,
// in its own form ("/usr/bin/retime", "C:\Tools\retime.exe"), with no
// length limit; "" when the system cannot tell. On Windows a path the ANSI
// code page cannot hold is given in its short (8.3) form, or, where the
// volume keeps none, with "?" for each character the code page lacks
// (which names nothing, never another file).
std::string program_file_path();

// The separator of the paths program_file_path gives: '/' or '\'.
char native_separator();

}  // namespace native
}  // namespace rt
