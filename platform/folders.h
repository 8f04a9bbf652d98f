// What each platform supplies beneath the file system operations of
// text/filesystem.h and the saves: the entries of folders and their names
// (listing, removing, making, looking at), the program's own path and its
// command line, a handful of calls of the system each. The rules of which
// entries are listed, of composed paths and of the program's folder sit
// above this line in portable code.
//
// Paths arrive as in platform/files.h and are refused alike; failure is
// told as there. No call prints or throws, and none waits on anything but
// a file on disk. Implemented by posix/folders.cpp and win32/folders.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/shared/entries.h"
#include "platform/shared/file_error.h"
#include "platform/shared/path_forms.h"

namespace rt {
namespace native {

// One entry of a directory listing. attributes uses the bits of
// platform/shared/entries.h (read-only 0x01, hidden 0x02, system 0x04, directory
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

// Deletes the file at path; true when it was deleted.
bool remove_file(const std::string& path);

// Makes the renames done in the folder holding path durable (the one
// replacement, place_held_file of platform/files.h, is followed by it
// where the save's rules ask for the disk) (the folder is
// synced on POSIX; Windows has no call for a folder: its file systems keep
// a rename whole through their journal, and a rename by path is written
// through).
void sync_folder_of(const std::string& path);

// Creates the one directory path (its parent must exist). Nothing happens
// and nothing is reported when it cannot be made, also when it exists
// already. A private folder, one of the user's own, is for its owner alone (0700 on POSIX; on Windows it inherits its
// parent's access rules like any other).
void make_directory(const std::string& path, bool private_folder);

// What the entry at path is, links followed (EntryKind of
// platform/shared/entries.h), only looked at, never opened:
// missing also for a dangling link, a path through a file, a path the
// system cannot look at, and one that cannot name a file; "other" for
// pipes, sockets and devices (on Windows the reserved device names). Only
// looks, never opens.
EntryKind entry_kind(const std::string& path);

// The absolute path of the existing entry at path, in the system's own form
// ("/home/anna/filme", "C:\Filme"), with "." and ".." and the current
// directory resolved and no separator at its end unless it is a root. A
// link as the last component stays that link (a file keeps its folder).
// Nothing when it cannot be worked out.
std::optional<std::string> absolute_path(const std::string& path);

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
// itself when its last component is no link. Nothing when the link leads
// nowhere this run may go (a dangling link, one of another user on POSIX,
// a target the code page cannot name on Windows) or path can name no file.
std::optional<std::string> final_file(const std::string& path);

// Argument 0 of the process's command line exactly as received: on POSIX
// main's argv[0] as the C library keeps it; on Windows read from the
// command line in UTF-16 (the C runtime's argv[0] turns a character the
// ANSI code page lacks into a look-alike, which could name another file),
// and nothing when the code page cannot hold it.
std::optional<std::string> executable_path();

// The words after argument 0 of the process's command line (CommandWord of
// platform/shared/entries.h): on POSIX argv[1] to argv[argc - 1] as main
// got them; on Windows split from GetCommandLineW in UTF-16 by the C
// runtime's rules (command_line_words of platform/shared/path_forms.h),
// argc and argv not looked at, each word in the ANSI code page when it
// holds it exactly and marked as not exact otherwise, so that no word is
// turned into a look-alike on the way.
std::vector<CommandWord> command_arguments(int argc, char** argv);

// Whether the file system takes a and b, two names in one folder, for the
// same entry: byte for byte on POSIX; on Windows also when they differ in
// the case of their letters or in dots and blanks at their end, which the
// system drops.
bool same_entry_name(const std::string& a, const std::string& b);

// The full path of the running program's file as the system reports it,
// in its own form ("/usr/bin/retime", "C:\Tools\retime.exe"), with no
// length limit; "" when the system cannot tell. On Windows a path the ANSI
// code page cannot hold is given in its short (8.3) form, or, where the
// volume keeps none, with "?" for each character the code page lacks
// (which names nothing, never another file). Nothing when the system
// cannot tell.
std::optional<std::string> program_file_path();

}  // namespace native
}  // namespace rt
