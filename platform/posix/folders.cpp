// Folders and names on POSIX: listing with readdir and fstatat, renames
// with renameat2 where the file system has it, realpath for the absolute
// and final paths, /proc (Linux) for the program's file; and which links
// a run follows (platform/posix/links.h), for both native files.
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

#include "platform/posix/error_numbers.h"
#include "platform/posix/links.h"
#include "platform/folders.h"
#include "platform/shared/path_forms.h"

namespace rt {
namespace native {
namespace {

// The listing in progress. The directory stream stays open between calls.
DIR* listing_dir = nullptr;
std::string listing_folder;
std::string listing_wildcard;

// The system follows no more links in a row than this (ELOOP after it).
constexpr int kMostLinksInARow = 40;
// readlink is asked with room for this many bytes first.
constexpr std::size_t kLinkTargetRoom = 256;

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

// Whether the link described by st may be followed (platform/posix/links.h).
bool followed_by_rule(const struct stat& link) { return link.st_uid == ::geteuid() || link.st_uid == 0; }

// The target of the link open as fd (O_PATH | O_NOFOLLOW): read from the
// very link that was looked at, whatever takes its name meanwhile.
std::optional<std::string> link_target(int fd) {
  std::string target(kLinkTargetRoom, '\0');
  for (;;) {
    const ssize_t length = ::readlinkat(fd, "", &target[0], target.size());
    if (length <= 0) return std::nullopt;
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      return target;
    }
    target.resize(target.size() * 2);
  }
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
  const std::optional<std::string> native = posix_path(pattern);
  if (!native) return false;
  listing_wildcard = native->substr(native->rfind('/') + 1);  // npos + 1: the whole
  if (listing_wildcard.empty()) return false;
  // opendir opens with O_DIRECTORY, which refuses anything but a directory
  // before it is opened: a pipe named like a folder cannot block it.
  listing_folder = folder_of(*native);
  listing_dir = ::opendir(listing_folder.c_str());
  return listing_dir != nullptr && next_listing_entry(first);
}

bool next_listing_entry(DirectoryEntry& entry) {
  while (listing_dir != nullptr) {
    const struct dirent* found = ::readdir(listing_dir);
    if (found == nullptr) break;
    if (!name_matches(found->d_name)) continue;
    // fstatat only looks, so pipes and devices cannot block the listing. A
    // link is listed as what it leads to, when the rule lets it be
    // followed; a dangling link is left out.
    struct stat st;
    if (::fstatat(::dirfd(listing_dir), found->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISLNK(st.st_mode)) {
      const FollowedPath target = followed_path(listing_folder + "/" + found->d_name);
      if (!target || ::lstat(target.path.c_str(), &st) != 0) continue;
    }
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) continue;
    entry.name = found->d_name;
    entry.attributes = attributes_of(found->d_name, st);
    return true;
  }
  end_listing();
  return false;
}

bool remove_file(const std::string& path) {
  const std::optional<std::string> native = posix_path(path);
  return native && ::unlink(native->c_str()) == 0;
}

FollowedPath followed_path(const std::string& native) {
  std::string path = native;
  for (int links = 0; links <= kMostLinksInARow; ++links) {
    // With a "/" after it the system would follow a link at the name itself.
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const int fd = ::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    // Nothing there, or out of reach: whatever is done with it next fails.
    if (fd < 0) return {path, {}};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISLNK(st.st_mode)) {
      ::close(fd);
      return {path, {}};
    }
    if (!followed_by_rule(st)) {
      ::close(fd);
      return {"", refusal(FileErrorKind::foreign_link)};
    }
    const std::optional<std::string> target = link_target(fd);
    const FileError unreadable = last_file_error();
    ::close(fd);
    if (!target) return {"", unreadable};
    path = (*target)[0] == '/' ? *target : folder_of(path) + "/" + *target;
  }
  return {"", file_error_of(ELOOP)};
}

int open_folder_of(const std::string& native, std::string& name, FileError& error) {
  name = native.substr(native.rfind('/') + 1);  // npos + 1: the whole
  const FollowedPath folder = followed_path(folder_of(native));
  if (!folder) {
    error = folder.refused;
    return -1;
  }
  // O_NOFOLLOW: a link put in the folder's place after the look is refused.
  const int fd = ::open(folder.path.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) error = last_file_error();
  return fd;
}

FileError rename_entry(int from_folder, const std::string& from_name, int to_folder, const std::string& to_name,
                       bool replace) {
  const char* from = from_name.c_str();
  const char* to = to_name.c_str();
  if (replace) return ::renameat(from_folder, from, to_folder, to) == 0 ? FileError{} : last_file_error();
  if (::renameat2(from_folder, from, to_folder, to, RENAME_NOREPLACE) == 0) return {};
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != ENOTSUP) return last_file_error();
  // No renameat2 here. A hard link is made only when the new name is free.
  if (::linkat(from_folder, from, to_folder, to, 0) == 0) {
    if (::unlinkat(from_folder, from, 0) == 0) return {};
    const FileError error = last_file_error();
    ::unlinkat(to_folder, to, 0);  // undo: the file keeps its old name only
    return error;
  }
  if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOTSUP) return last_file_error();
  // No hard links either (FAT): look, then rename; nothing better exists.
  struct stat st;
  if (::fstatat(to_folder, to, &st, AT_SYMLINK_NOFOLLOW) == 0) return file_error_of(EEXIST);
  if (errno != ENOENT) return last_file_error();
  return ::renameat(from_folder, from, to_folder, to) == 0 ? FileError{} : last_file_error();
}

void sync_folder_of(const std::string& path) {
  const std::optional<std::string> native = posix_path(path);
  const int fd = native ? ::open(folder_of(*native).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
  if (fd < 0) return;
  ::fsync(fd);  // the rename is done: a folder that cannot be synced changes nothing
  ::close(fd);
}

void make_directory(const std::string& path, bool private_folder) {
  const std::optional<std::string> native = posix_path(path);
  if (native) ::mkdir(native->c_str(), private_folder ? 0700 : 0777);
}

EntryKind entry_kind(const std::string& path) {
  const std::optional<std::string> native = posix_path(path);
  struct stat st;
  if (!native || native->empty() || ::stat(native->c_str(), &st) != 0) return EntryKind::missing;
  if (S_ISDIR(st.st_mode)) return EntryKind::directory;
  return S_ISREG(st.st_mode) ? EntryKind::file : EntryKind::other;
}

std::optional<std::string> absolute_path(const std::string& path) {
  std::optional<std::string> native = posix_path(path);
  if (!native || native->empty()) return std::nullopt;
  std::string& given = *native;
  while (given.size() > 1 && given.back() == '/') given.pop_back();
  const std::string last = given.substr(given.rfind('/') + 1);
  // "." and ".." name a folder by the way there; the root has no last name.
  if (last.empty() || last == "." || last == "..") {
    const std::string resolved = resolved_path(given);
    if (resolved.empty()) return std::nullopt;
    return resolved;
  }
  // The folder is resolved, the last name kept: a link to a file must give
  // the folder the link lies in, not the one of its target.
  const std::string folder = resolved_path(folder_of(given));
  if (folder.empty()) return std::nullopt;
  return (folder == "/" ? "" : folder) + "/" + last;
}

Target look_at_target(const std::string& path) {
  const std::optional<std::string> native = posix_path(path);
  if (!native) return {TargetKind::unknown, refusal(FileErrorKind::unnamable)};
  std::string name;
  FileError error;
  const int folder = open_folder_of(*native, name, error);
  if (folder < 0) return {TargetKind::no_folder, error};
  struct stat st;
  const bool looked = ::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
  error = last_file_error();
  ::close(folder);
  if (!looked) return {error.kind == FileErrorKind::missing ? TargetKind::missing : TargetKind::unknown, error};
  if (S_ISREG(st.st_mode)) return {TargetKind::file, {}};
  if (S_ISDIR(st.st_mode)) return {TargetKind::folder, {}};
  return {S_ISLNK(st.st_mode) ? TargetKind::link : TargetKind::special, {}};
}

// A link of another user leads nowhere for this run.
std::optional<std::string> final_file(const std::string& path) {
  const std::optional<std::string> native = posix_path(path);
  if (!native) return std::nullopt;
  struct stat st;
  if (::lstat(native->c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  const FollowedPath followed = followed_path(*native);
  const std::string file = followed ? resolved_path(followed.path) : "";
  if (file.empty()) return std::nullopt;
  return file;
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
std::optional<std::string> program_file_path() {
  const std::string file = resolved_path("/proc/self/exe");
  if (!file.empty()) return file;
  return executable_path();
}

char native_separator() { return '/'; }

}  // namespace native
}  // namespace rt
