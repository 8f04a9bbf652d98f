// The entries of the file system and the words of the command line as the
// native layers give them (platform/folders.h) and the portable file layer
// (text/filesystem.h) and its callers use them.
#pragma once

#include <cstdint>
#include <string>

namespace rt {

// Attribute bits of directory entries and the one mask the program lists
// with: every entry that is not a directory.
constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeHidden = 0x02;
constexpr std::uint32_t kAttributeSystem = 0x04;
constexpr std::uint32_t kAttributeDirectory = 0x10;
constexpr std::uint32_t kAttributeArchive = 0x20;
constexpr std::uint32_t kMaskAllButDirectories = 0xFFFFFFEFu;

// What an entry of the file system is, links followed.
enum class EntryKind {
  missing,    // nothing there (or nothing that can be looked at)
  directory,
  file,       // a regular file, readable or not
  other,      // a pipe, a socket, a device
};

// One word of the command line after argument 0, in the program's bytes.
// exact is false when the word holds a character the program's bytes
// cannot hold (on Windows: one the ANSI code page lacks); bytes then show
// each such character as "?", never as a look-alike, and must not be used
// as a name.
struct CommandWord {
  std::string bytes;
  bool exact = true;
};

}  // namespace rt
