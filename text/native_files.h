// What each platform supplies beneath the numbered files and the file
// system operations: a handful of calls of the system, nothing more. Every
// rule the program relies on (the file table, the buffering, the character
// stream, which directory entries are listed, how paths are composed) sits
// above this line in portable code, written once.
//
// Paths arrive as the program composes them, with "\" as separator (and
// possibly "/" too); the layer turns them into its system's form (on
// Windows: from the ANSI code page into the wide calls' UTF-16, with the
// long form for long paths, so that paths of any length work). A path
// that cannot name a file (it holds a NUL byte) is refused by every call.
// No call prints or throws, and none waits on anything but a file on disk,
// except the pauses that wait_milliseconds and a replacement retried on
// Windows make on purpose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "text/filesystem.h"

namespace rt {
namespace native {

// An open file: a descriptor on POSIX, a HANDLE on Windows.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFileHandle = -1;

// Opens the existing regular file at path for reading, positioned at its
// first byte. kNoFileHandle when it is missing, a directory, unreadable, or
// not a file on disk (pipes, sockets, devices, and on Windows the reserved
// device names): such things are refused before they are opened, so the
// call never blocks on them.
FileHandle open_file_for_reading(const std::string& path);

// Creates the file at path only when no entry of that name exists (never
// opening an existing file, following a link or reaching a device), with
// no access for anyone but its owner, opens it for writing and holds it
// (text/atomic_save.h): an advisory lock on POSIX; on Windows its handle
// lets others read, rename and delete it but never open it exclusively.
// kNoFileHandle otherwise; name_taken then tells whether the name was
// taken (or its leftover is being removed by another run at this moment),
// as opposed to a folder that takes no new file. On POSIX it also ignores
// SIGXFSZ when its action is the default, so that a file-size limit fails
// the write (write_file gives false) instead of ending the process.
FileHandle create_held_file(const std::string& path, bool& name_taken);

// Removes the file at path when it is a leftover no live process holds: a
// regular file of the process's own user (on POSIX) that no save holds,
// removed while this call holds it, after making sure the name still
// leads to the file judged. Where the file system has no locks, a file
// unchanged for a minute counts as left over. True when it was removed.
bool remove_if_abandoned(const std::string& path);

// What a save would replace at path, the last component not followed when
// it is a link: nothing, a regular file, or something else (a folder, a
// link, a pipe, a socket, a device; also an entry that cannot be looked
// at, or a folder on the way that is missing or no folder).
enum class TargetKind { missing, file, other };
TargetKind target_kind(const std::string& path);

// Whether the existing regular file at path may be written: it has write
// permission for somebody (a file whose write permission was taken away
// counts as protected, for root too) and is opened for writing without
// being created, emptied or changed, and closed again.
bool file_accepts_writes(const std::string& path);

// Gives the open file the mode, owner and group of the regular file at
// from_path (the owner only as root, the group where the process may set
// it), or, when nothing is there, the mode a newly created file gets; as
// far as the file system lets them be set. False when from_path names
// something other than a regular file or missing entry.
bool take_attributes(FileHandle file, const std::string& from_path);

// Whether the bytes written so far reached the file as far as the system
// can tell before it is closed (network file systems report lost writes
// when a handle is closed: a duplicate handle is closed to learn it).
bool written_out(FileHandle file);

// Removes the held file at path (still held: nobody else can have put
// another file under its name) and closes it.
void discard_held_file(FileHandle file, const std::string& path);

// The file a symbolic link at path finally leads to, as a full path; path
// itself when its last component is no link (or the link leads nowhere).
std::string final_file(const std::string& path);

// Reads up to count bytes into into. The number of bytes read; 0 at the
// end of the file; -1 on a read error (a read that would wait counts as
// one). Retries interrupted reads itself.
std::int64_t read_file(FileHandle file, char* into, std::size_t count);

// Writes all count bytes. False when not all of them could be written (no
// space, an I/O error, a file-size limit); how many did is not told.
bool write_file(FileHandle file, const char* bytes, std::size_t count);

// Sets the position back to the first byte. False on failure.
bool seek_file_start(FileHandle file);

// Size in bytes as stored; -1 when the system cannot tell.
std::int64_t file_size(FileHandle file);

// Puts the file's bytes on the storage device (fsync, FlushFileBuffers).
// False on failure.
bool sync_file(FileHandle file);

// Cuts the open file to no bytes and sets its position to the start; it
// stays open. False on failure.
bool empty_file(FileHandle file);

// Closes the file. False when the system reported an error on closing
// (buffered data of the system may then be lost).
bool close_file_handle(FileHandle file);

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

// Ends the listing in progress, if any.
void end_listing();

// 0 when the file at path was deleted; nonzero otherwise.
int delete_file(const std::string& path);

// Gives the file at old_path the path new_path, never replacing a file (or
// link) that exists there; retried on Windows as replace_atomically is.
// 0 on success; nonzero, with nothing changed, otherwise.
int rename_without_replacing(const std::string& old_path, const std::string& new_path);

// Puts the file at old_path in place of the one at new_path in one step
// (an existing file there is replaced, never left missing). On Windows the
// rename is written through and retried for about a second while another
// program (a virus scanner, a sync client) holds either file.
// 0 on success; nonzero, with nothing changed, otherwise.
int replace_atomically(const std::string& old_path, const std::string& new_path);

// Makes the renames done in the folder holding path durable (the folder is
// synced on POSIX; on Windows the renames are written through already).
void sync_folder_of(const std::string& path);

// Creates the one directory path; nothing is reported. A private folder
// is for its owner alone (0700 on POSIX; on Windows it inherits its
// parent's access rules like any other).
void create_directory(const std::string& path, bool private_folder);

// Sleeps for ms milliseconds.
void wait_milliseconds(int ms);

// Argument 0 of the process's command line exactly as received; nothing
// when it cannot be given as the program's bytes (on Windows: it holds a
// character the ANSI code page lacks, so no file call could reach it).
std::optional<std::string> argument0();

// The full path of the running program's file as the system reports it,
// in its own form ("/usr/bin/retime", "C:\Tools\retime.exe"), with no
// length limit; "" when the system cannot tell. On Windows a path the ANSI
// code page cannot hold is given in its short (8.3) form, or, where the
// volume keeps none, with "?" for each character the code page lacks
// (which names nothing, never another file).
std::string program_file_path();

// The separator of the paths program_file_path gives: '/' or '\'.
char native_separator();


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

}  // namespace native
}  // namespace rt
