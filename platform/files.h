// What each platform supplies beneath the numbered files and the saves:
// opening, reading, writing and closing files on disk, and the held
// temporary files of saves; a handful of calls of the system each. Every
// rule the program relies on (the file table, the buffering, the character
// stream, which names a save tries) sits above this line in portable code.
//
// Paths arrive as the program composes them, with the platform's separator
// (on Windows "\", and possibly "/" too); the layer turns them into its system's form (on
// Windows: from the ANSI code page into the wide calls' UTF-16, with the
// long form for long paths, so that paths of any length work). A path
// that cannot name a file (it holds a NUL byte) is refused by every call.
// No call prints or throws, and none waits on anything but a file on disk.
//
// How a call tells failure, here and in platform/folders.h: a call that only
// acts gives a bool (true: it worked), or a FileError
// (platform/shared/file_error.h: none when it worked, else the system's
// answer or the layer's own refusal) where the reason matters to the
// program; a call that gives something gives it as a std::optional
// (nothing: it failed), or in a struct beside a FileError where the reason
// matters (HeldFile, Target). An open file is the one exception the system
// itself makes: kNoFileHandle, and -1 for a count. The portable code reaches
// these calls through text/filesystem.h alone. Implemented by
// posix/files.cpp and win32/files.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/shared/file_error.h"

namespace rt {
namespace native {

// An open file: a descriptor on POSIX, a HANDLE on Windows.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFileHandle = -1;

// Symbolic links: on POSIX a link met as the last component of a path, or
// as the folder a save writes into, is followed only when it belongs to
// the process's own user or to root (platform/posix/links.h says why); a link
// of another user counts as no file, and a save into a folder reached
// through one fails. On Windows links are followed as the system follows
// them (wine shows a link of the Unix side as a plain file or folder).

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
// Otherwise file is kNoFileHandle and error says why: exists or in_use when the
// name was taken (or its leftover is being removed by another run at this
// moment), as opposed to a folder that takes no new file (no permission,
// a read-only file system, no space...). On POSIX it also ignores SIGXFSZ
// (as a closed output's SIGPIPE is), so that a file-size limit fails the
// write (write_file gives file_too_large) instead of ending the process.
struct HeldFile {
  FileHandle file = kNoFileHandle;
  FileError error;
};
HeldFile create_held_file(const std::string& path);

// Removes each file at paths (names in one folder) that is a leftover no
// live process holds: a regular file of the process's own user (on POSIX)
// that no save holds, removed while this call holds it, after making sure
// the name still leads to the file judged. Where the file system has no
// locks, a file unchanged for a minute counts as left over.
void remove_abandoned(const std::vector<std::string>& paths);

// Why the existing regular file at path may not be written; none when it
// may: it has write permission for somebody (a file whose write permission
// was taken away is write_protected, for root too) and is opened for
// writing without being created, emptied or changed, and closed again.
FileError write_refusal(const std::string& path);

// Gives the open file the permission bits, owner and group of the regular
// file at from_path (the owner only as root, the group where the process
// may set it; never a set-user-ID, set-group-ID or sticky bit), or, when
// nothing is there, the mode a newly created file gets; as far as the file
// system lets them be set. Fails when from_path names something other than
// a regular file or missing entry (is_folder, is_link, not_a_file) or
// cannot be looked at.
FileError take_attributes(FileHandle file, const std::string& from_path);

// Puts the held file, made at temporary, in place at target in one step:
// replacing the file there when replace, else only where no entry of that
// name exists (a link included). Only the very file held is ever put in
// place: the temporary name must still lead to it (the same device and
// file number on POSIX, volume and file index on Windows), and on Windows
// it is renamed through its handle (moved_away when the name no longer
// leads to it). Nothing changed when it fails (on Windows retried for
// about a second while another program holds either file).
FileError place_held_file(FileHandle file, const std::string& temporary, const std::string& target, bool replace);

// Whether the bytes written so far reached the file as far as the system
// can tell before it is closed (network file systems report lost writes
// when a handle is closed: a duplicate handle is closed to learn it).
FileError written_out(FileHandle file);

// path with its last component cut at its end, a whole character at a
// time, so that added more characters after it still make a name the file
// system takes (255 bytes on Linux, 255 UTF-16 units on Windows); path
// itself when they fit already. For temporary names beside a target whose
// own name is near that limit.
std::string name_cut_to_fit(const std::string& path, std::size_t added);

// Removes the held file at path (still held: nobody else can have put
// another file under its name) and closes it.
void discard_held_file(FileHandle file, const std::string& path);

// Reads up to count bytes into into. The number of bytes read; 0 at the
// end of the file; -1 on a read error (a read that would wait counts as
// one). Retries interrupted reads itself.
std::int64_t read_file(FileHandle file, char* into, std::size_t count);

// Writes all count bytes, retrying after interruptions (and on POSIX
// waiting while a descriptor made non-blocking takes no more). Fails when
// not all of them could be written (no space, an I/O error, a file-size
// limit, a closed pipe); how many did is not told. Also the write of the
// console's standard streams; on POSIX only write(2) and poll(2), so it may
// be called from a signal handler.
FileError write_file(FileHandle file, const char* bytes, std::size_t count);

// Asks the system to make the whole pages within bytes[0, count) present
// now, in one step, for memory about to be written through: the process
// would otherwise fault them in one at a time. Only a hint; nothing
// changes where the system does not take it.
void make_present(char* bytes, std::size_t count);

// Sets the position back to the first byte. False on failure.
bool seek_file_start(FileHandle file);

// Size in bytes as stored; -1 when the system cannot tell.
std::int64_t file_size(FileHandle file);

// Puts the file's bytes on the storage device (fsync, FlushFileBuffers).
FileError sync_file(FileHandle file);

// Cuts the open file to no bytes and sets its position to the start; it
// stays open.
FileError empty_file(FileHandle file);

// Closes the file. False when the system reported an error on closing
// (buffered data of the system may then be lost).
bool close_file_handle(FileHandle file);

}  // namespace native
}  // namespace rt
