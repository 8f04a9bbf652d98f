// The file system and the process, as the rest of the program needs them.
//
// Paths are composed with the platform's separator (joined_path of
// text/paths.h); the platform layer hands them to the file system in its
// own form. No operation prints or throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/shared/entries.h"

namespace rt {

// The attribute bits, EntryKind and CommandWord: platform/shared/entries.h.

// True when the file at path can be opened for reading right now (it is
// closed again at once); false for a missing file, a directory, anything
// that is not a regular file, or an unreadable file.
bool file_exists(const std::string& path);

// Whether the existing regular file at path may be written: it has write
// permission for somebody (a file whose write permission was taken away
// counts as protected, also for root) and can be opened for writing (it is
// opened without being created or changed, and closed again).
bool file_writable(const std::string& path);

// The file a symbolic link at path finally leads to, as a full path; path
// itself when its last component is no link or the link leads nowhere.
std::string final_file(const std::string& path);

// 0 when the file was deleted, nonzero otherwise.
int remove_file(const std::string& path);

// Gives the file at old_path the path new_path. 0 on success; nonzero, with
// nothing changed, when new_path names an existing file or the rename fails.
int rename_file(const std::string& old_path, const std::string& new_path);

// Atomically puts the file at old_path in place of the one at new_path (an
// existing file there is replaced in one step, never left missing) and makes
// the change durable (the folder is synced). 0 on success, nonzero with
// nothing changed otherwise.
int replace_file(const std::string& old_path, const std::string& new_path);

// Creates the one directory path (its parent must exist). Nothing happens and
// nothing is reported when it cannot be made, also when it exists already.
void make_directory(const std::string& path);

// make_directory for a folder of the user's own: on POSIX nobody else may
// enter it (mode 0700).
void make_private_directory(const std::string& path);

// A non-empty pattern (DIR, the separator and "*.*") starts a new listing and
// returns its first admitted name; the empty pattern returns the next name of
// the listing in progress. "" when there is no further name, when the
// directory is missing, or when no listing is in progress. Names are bare,
// byte for byte, in the file system's own order. An entry is admitted when
// all its attribute bits are in the effective mask (mask with every bit from
// 0x100 up added, and the archive bit too when mask lacks the directory bit);
// the listing keeps the mask of the call that started it. Only regular files
// (and links to them) are ever listed: directories, ".", "..", pipes, sockets
// and devices never. Nor is a name that holds a separator (listable_name of
// text/paths.h: on Windows a name whose double-byte character ends in the
// byte of "\"; on POSIX a "\" is an ordinary character and such a name is
// listed). Nor is a dangling link, nor, on Windows, a name that the ANSI code
// page cannot hold (its "?" or look-alike could not be opened, or would name
// another file).
std::string list_directory(const std::string& pattern, std::uint32_t mask);

// The words after argument 0 of the process's command line: on POSIX
// argv[1] to argv[argc - 1] as they are; on Windows split from the
// command line in UTF-16 by the C runtime's rules (command_line_words of
// text/paths.h), so that no word is turned into a look-alike on the way.
std::vector<CommandWord> command_arguments(int argc, char** argv);

// Whether the file system takes a and b, two names in one folder, for the
// same entry: byte for byte on POSIX; on Windows also when they differ in
// the case of their letters or in dots and blanks at their end, which the
// system drops.
bool same_entry_name(const std::string& a, const std::string& b);

// Whether any entry is at path, the last component not followed when it is
// a link (a dangling link is an entry).
bool entry_present(const std::string& path);

// Argument 0 of the command line exactly as the process received it;
// nothing when it cannot be given as the program's bytes (on Windows: it
// holds a character the ANSI code page lacks, whose look-alike would name
// another file or none).
std::optional<std::string> executable_path();

// The directory holding the running program's file, as the operating system
// reports that file: its path cut before the last separator (directory_of
// of text/paths.h, with the system's own separator). A program in the root
// directory gives the root itself.
std::string program_directory();

// What the entry at path is; it is only looked at, never opened.
EntryKind entry_kind(const std::string& path);

// The absolute path of the existing entry at path in the system's own form
// (its separator is the one of program_directory), "." and ".." resolved;
// a link as the last component is kept, not followed. "" when it cannot be
// worked out.
std::string absolute_path(const std::string& path);

}  // namespace rt
