// Folders and names on POSIX: listing with readdir and fstatat, renames
// with renameat2 where the file system has it, realpath for the absolute
// and final paths, /proc (Linux) for the program's file.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>

#include "text/native_folders.h"
#include "text/paths.h"

namespace rt {
namespace native {
namespace {

// The listing in progress. The directory stream stays open between calls.
DIR* listing_dir = nullptr;
std::string listing_wildcard;

// The folder holding the last component of a path with "/".
std::string folder_of(const std::string& native) {
  const std::string folder = directory_of(native, '/');
  return folder.empty() ? "." : folder;
}

// realpath: every link, "." and ".." resolved; "" when it fails.
std::string resolved_path(const std::string& path) {
  const std::unique_ptr<char, void (*)(void*)> resolved(::realpath(path.c_str(), nullptr), ::free);
  return resolved ? resolved.get() : "";
}

// The bits a POSIX file system lacks, as DirectoryEntry describes them.
std::uint32_t attributes_of(const char* name, const struct stat& st) {
  std::uint32_t attributes = S_ISDIR(st.st_mode) ? kAttributeDirectory : kAttributeArchive;
  if (name[0] == '.') attributes |= kAttributeHidden;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= kAttributeReadOnly;
  return attributes;
}

// "*.*" means every name, names without a dot included; other patterns go
// to fnmatch, with "\" taken literally ("*" matches names with a leading dot).
bool name_matches(const char* name) {
  return listing_wildcard == "*.*" || ::fnmatch(listing_wildcard.c_str(), name, FNM_NOESCAPE) == 0;
}

void end_listing() {
  if (listing_dir != nullptr) ::closedir(listing_dir);
  listing_dir = nullptr;
}

}  // namespace

bool start_listing(const std::string& pattern, DirectoryEntry& first) {
  end_listing();
  const std::optional<std::string> native = with_slashes(pattern);
  if (!native) return false;
  listing_wildcard = native->substr(native->rfind('/') + 1);  // npos + 1: the whole
  if (listing_wildcard.empty()) return false;
  // opendir opens with O_DIRECTORY, which refuses anything but a directory
  // before it is opened: a pipe named like a folder cannot block it.
  listing_dir = ::opendir(folder_of(*native).c_str());
  return listing_dir != nullptr && next_listing_entry(first);
}

bool next_listing_entry(DirectoryEntry& entry) {
  while (listing_dir != nullptr) {
    const struct dirent* found = ::readdir(listing_dir);
    if (found == nullptr) break;
    if (!name_matches(found->d_name)) continue;
    // fstatat only looks (following a link), so pipes and devices cannot
    // block the listing; a dangling link fails here and is left out.
    struct stat st;
    if (::fstatat(::dirfd(listing_dir), found->d_name, &st, 0) != 0) continue;
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) continue;
    entry.name = found->d_name;
    entry.attributes = attributes_of(found->d_name, st);
    return true;
  }
  end_listing();
  return false;
}

int remove_file(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  return native && ::unlink(native->c_str()) == 0 ? 0 : 1;
}

int rename_file(const std::string& old_path, const std::string& new_path) {
  const std::optional<std::string> from = with_slashes(old_path);
  const std::optional<std::string> to = with_slashes(new_path);
  if (!from || !to) return 1;
  if (::renameat2(AT_FDCWD, from->c_str(), AT_FDCWD, to->c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != ENOTSUP) return 1;
  // No renameat2 here. A hard link is made only when the new name is free.
  if (::link(from->c_str(), to->c_str()) == 0) {
    if (::unlink(from->c_str()) == 0) return 0;
    ::unlink(to->c_str());  // undo: the file keeps its old name only
    return 1;
  }
  if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOTSUP) return 1;
  // No hard links either (FAT): look, then rename; nothing better exists.
  struct stat st;
  if (::lstat(to->c_str(), &st) == 0 || errno != ENOENT) return 1;
  return ::rename(from->c_str(), to->c_str()) == 0 ? 0 : 1;
}

int replace_file(const std::string& old_path, const std::string& new_path) {
  const std::optional<std::string> from = with_slashes(old_path);
  const std::optional<std::string> to = with_slashes(new_path);
  return from && to && ::rename(from->c_str(), to->c_str()) == 0 ? 0 : 1;
}

void sync_folder_of(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  const int fd = native ? ::open(folder_of(*native).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
  if (fd < 0) return;
  ::fsync(fd);  // the rename is done: a folder that cannot be synced changes nothing
  ::close(fd);
}

void make_directory(const std::string& path, bool private_folder) {
  const std::optional<std::string> native = with_slashes(path);
  if (native) ::mkdir(native->c_str(), private_folder ? 0700 : 0777);
}

EntryKind entry_kind(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  struct stat st;
  if (!native || native->empty() || ::stat(native->c_str(), &st) != 0) return EntryKind::missing;
  if (S_ISDIR(st.st_mode)) return EntryKind::directory;
  return S_ISREG(st.st_mode) ? EntryKind::file : EntryKind::other;
}

std::string absolute_path(const std::string& path) {
  std::optional<std::string> native = with_slashes(path);
  if (!native || native->empty()) return "";
  std::string& given = *native;
  while (given.size() > 1 && given.back() == '/') given.pop_back();
  const std::string last = given.substr(given.rfind('/') + 1);
  // "." and ".." name a folder by the way there; the root has no last name.
  if (last.empty() || last == "." || last == "..") return resolved_path(given);
  // The folder is resolved, the last name kept: a link to a file must give
  // the folder the link lies in, not the one of its target.
  const std::string folder = resolved_path(folder_of(given));
  if (folder.empty()) return "";
  return (folder == "/" ? "" : folder) + "/" + last;
}

TargetKind target_kind(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  struct stat st;
  if (!native) return TargetKind::other;
  if (::lstat(native->c_str(), &st) != 0) return errno == ENOENT ? TargetKind::missing : TargetKind::other;
  return S_ISREG(st.st_mode) ? TargetKind::file : TargetKind::other;
}

std::string final_file(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  struct stat st;
  if (!native || ::lstat(native->c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  const std::string file = resolved_path(*native);
  return file.empty() ? path : file;
}

// The C library sets program_invocation_name to main's argv[0] before
// main runs; without an argument 0 it stays "".
std::optional<std::string> executable_path() {
  return std::string(program_invocation_name != nullptr ? program_invocation_name : "");
}

std::vector<CommandWord> command_arguments(int argc, char** argv) {
  std::vector<CommandWord> words;
  for (int i = 1; i < argc; ++i) words.push_back(CommandWord{argv[i], true});
  return words;
}

bool same_entry_name(const std::string& a, const std::string& b) { return a == b; }

// Without /proc, argument 0 names the file when it holds a directory.
std::string program_file_path() {
  const std::string file = resolved_path("/proc/self/exe");
  return file.empty() ? executable_path().value_or("") : file;
}

char native_separator() { return '/'; }

}  // namespace native
}  // namespace rt
