// The one door of the portable code to the file system and the process:
// the native calls of platform/files.h and platform/folders.h, used as
// they are (their contracts and how they tell failure are written there,
// once), and the operations whose rules are portable, written here once for
// every platform.
//
// Paths are composed with the platform's separator (joined_path of
// text/paths.h); the platform layer hands them to the file system in its
// own form. No operation prints or throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/folders.h"
#include "platform/shared/entries.h"

namespace rt {

// The native calls, as every portable file uses them.
using native::absolute_path;
using native::close_file_handle;
using native::command_arguments;
using native::create_held_file;
using native::discard_held_file;
using native::empty_file;
using native::entry_kind;
using native::executable_path;
using native::file_size;
using native::FileHandle;
using native::final_file;
using native::HeldFile;
using native::kNoFileHandle;
using native::look_at_target;
using native::make_present;
using native::make_directory;
using native::name_cut_to_fit;
using native::native_separator;
using native::open_file_for_reading;
using native::place_held_file;
using native::read_file;
using native::remove_file;
using native::remove_abandoned;
using native::same_entry_name;
using native::seek_file_start;
using native::sync_file;
using native::sync_folder_of;
using native::take_attributes;
using native::Target;
using native::TargetKind;
using native::write_file;
using native::write_refusal;
using native::written_out;

// True when the file at path can be opened for reading right now (it is
// closed again at once); false for a missing file, a directory, anything
// that is not a regular file, or an unreadable file.
bool file_exists(const std::string& path);

// The bytes of the regular file at path as they lie on the disk, when it
// can be read whole and holds no more than most bytes; nothing otherwise.
std::optional<std::string> small_file_bytes(const std::string& path, std::size_t most);

// Whether the existing regular file at path may be written: write_refusal
// finds no reason against it.
bool file_writable(const std::string& path);

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

// Whether any entry is at path, the last component not followed when it is
// a link (a dangling link is an entry).
bool entry_present(const std::string& path);

// The directory holding the running program's file, as the operating system
// reports that file: its path cut before the last separator (directory_of
// of platform/shared/path_forms.h, with the system's own separator). A
// program in the root directory gives the root itself; "" when the system
// cannot tell.
std::string program_directory();

}  // namespace rt
