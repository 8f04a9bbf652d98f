// The native file layer on POSIX (text/native_files.h), file system part:
// listing, deleting, renaming, folders, links, pauses and the process's own
// paths (Linux: /proc is used for the program's file and its argument 0).
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "text/native_files.h"
#include "text/paths.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace rt {
namespace native {
namespace {

// The listing in progress. The directory stream stays open between calls.
DIR* listing_dir = nullptr;
std::string listing_wildcard;

// The attributes a POSIX file system lacks, as native_files.h states them.
std::uint32_t attributes_of(const char* name, const struct stat& st) {
  std::uint32_t attributes = S_ISDIR(st.st_mode) ? 0x10u : 0x20u;  // directory, archive
  if (name[0] == '.') attributes |= 0x02u;                          // hidden
  if ((st.st_mode & S_IWUSR) == 0) attributes |= 0x01u;             // read-only
  return attributes;
}

// "*.*" and "*" mean every name, names without a dot and names beginning
// with a dot included; other patterns go to fnmatch, with "\" taken
// literally and leading dots matched like any character.
bool name_matches(const char* name) {
  if (listing_wildcard == "*.*" || listing_wildcard == "*") return true;
  return ::fnmatch(listing_wildcard.c_str(), name, FNM_NOESCAPE) == 0;
}

std::string read_link(const char* link) {
  std::string target(256, '\0');
  for (;;) {
    const ssize_t got = ::readlink(link, &target[0], target.size());
    if (got < 0) return "";
    if (static_cast<std::size_t>(got) < target.size()) {
      target.resize(static_cast<std::size_t>(got));
      return target;
    }
    target.resize(target.size() * 2);  // maybe cut off: try a larger buffer
  }
}

}  // namespace

bool start_listing(const std::string& pattern, DirectoryEntry& first) {
  end_listing();
  const std::optional<std::string> native = with_slashes(pattern);
  if (!native) return false;
  const std::size_t last = native->rfind('/');
  const std::string directory =
      last == std::string::npos ? "." : last == 0 ? "/" : native->substr(0, last);
  listing_wildcard = last == std::string::npos ? *native : native->substr(last + 1);
  if (listing_wildcard.empty()) return false;
  // O_DIRECTORY refuses anything but a directory before it is opened.
  const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  listing_dir = ::fdopendir(fd);
  if (listing_dir == nullptr) {
    ::close(fd);
    return false;
  }
  return next_listing_entry(first);
}

bool next_listing_entry(DirectoryEntry& entry) {
  while (listing_dir != nullptr) {
    const struct dirent* found = ::readdir(listing_dir);
    if (found == nullptr) break;
    const char* name = found->d_name;
    // Known kinds that are never given need no further look.
    if (found->d_type != DT_REG && found->d_type != DT_DIR && found->d_type != DT_LNK &&
        found->d_type != DT_UNKNOWN) {
      continue;
    }
    if (!name_matches(name)) continue;
    // stat only looks at the entry (following a link), it never opens it,
    // so pipes and devices cannot block the listing. A dangling link fails
    // here and is left out.
    struct stat st;
    if (::fstatat(::dirfd(listing_dir), name, &st, 0) != 0) continue;
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) continue;
    entry.name = name;
    entry.attributes = attributes_of(name, st);
    return true;
  }
  end_listing();
  return false;
}

void end_listing() {
  if (listing_dir != nullptr) ::closedir(listing_dir);
  listing_dir = nullptr;
}

int delete_file(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  return native && ::unlink(native->c_str()) == 0 ? 0 : 1;
}

int rename_without_replacing(const std::string& old_path, const std::string& new_path) {
  const std::optional<std::string> from = with_slashes(old_path);
  const std::optional<std::string> to = with_slashes(new_path);
  if (!from || !to) return 1;
  // Through syscall(), so that a C library without the wrapper works.
#ifdef SYS_renameat2
  if (::syscall(SYS_renameat2, AT_FDCWD, from->c_str(), AT_FDCWD, to->c_str(),
                RENAME_NOREPLACE) == 0) {
    return 0;
  }
#else
  errno = ENOSYS;
#endif
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != ENOTSUP) return 1;
  // The file system cannot rename without replacing. A hard link is made
  // only when the new name is free, so link + unlink keeps the guarantee.
  if (::link(from->c_str(), to->c_str()) == 0) {
    if (::unlink(from->c_str()) == 0) return 0;
    ::unlink(to->c_str());  // undo: the file keeps its old name only
    return 1;
  }
  if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOTSUP) return 1;
  // No hard links either (FAT-like file systems): look before renaming.
  // Another process could create new_path in between; nothing better exists
  // on such a file system.
  struct stat st;
  if (::lstat(to->c_str(), &st) == 0 || errno != ENOENT) return 1;
  return ::rename(from->c_str(), to->c_str()) == 0 ? 0 : 1;
}

int replace_atomically(const std::string& old_path, const std::string& new_path) {
  const std::optional<std::string> from = with_slashes(old_path);
  const std::optional<std::string> to = with_slashes(new_path);
  return from && to && ::rename(from->c_str(), to->c_str()) == 0 ? 0 : 1;
}

void sync_folder_of(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  if (!native) return;
  // A rename is durable once the folder holding the new name is synced.
  const std::size_t last = native->rfind('/');
  const std::string folder = last == std::string::npos ? "." : last == 0 ? "/" : native->substr(0, last);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);  // the rename is done: a folder that cannot be synced changes nothing
    ::close(fd);
  }
}

void create_directory(const std::string& path, bool private_folder) {
  const std::optional<std::string> native = with_slashes(path);
  if (native) ::mkdir(native->c_str(), private_folder ? 0700 : 0777);
}

std::string final_file(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  struct stat st;
  if (!native || ::lstat(native->c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* resolved = ::realpath(native->c_str(), nullptr);
  if (resolved == nullptr) return path;
  std::string file = resolved;
  std::free(resolved);
  return file;
}

void wait_milliseconds(int ms) {
  if (ms <= 0) return;
  timespec left{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

std::optional<std::string> argument0() {
  // The first NUL-terminated field of the kernel's copy of the command line
  // is argument 0 exactly as passed to exec.
  const int fd = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    std::string argument;
    char block[4096];
    ssize_t got;
    while ((got = ::read(fd, block, sizeof block)) != 0) {
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) break;
      const void* nul = std::memchr(block, '\0', static_cast<std::size_t>(got));
      if (nul != nullptr) {
        got = static_cast<const char*>(nul) - block;
        argument.append(block, static_cast<std::size_t>(got));
        break;
      }
      argument.append(block, static_cast<std::size_t>(got));
    }
    ::close(fd);
    // Complete when a NUL or the end was met (no NUL: an empty command line).
    if (got >= 0) return argument;
  }
  // Without /proc: the C library keeps argv[0] for us.
  return program_invocation_name != nullptr ? program_invocation_name : "";
}

std::string program_file_path() {
  const std::string file = read_link("/proc/self/exe");
  // Without /proc: argument 0 names the file when it holds a directory.
  return file.empty() ? argument0().value_or("") : file;
}

char native_separator() { return '/'; }

namespace {

// realpath: every link, "." and ".." resolved; "" when it fails.
std::string resolved_path(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return "";
  std::string result = resolved;
  ::free(resolved);
  return result;
}

}  // namespace

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
  const std::size_t slash = given.rfind('/');
  const std::string last = slash == std::string::npos ? given : given.substr(slash + 1);
  // "." and ".." name a folder by the way there; the root has no last name.
  if (last.empty() || last == "." || last == "..") return resolved_path(given);
  // The folder is resolved, the last name kept: a link to a file must give
  // the folder the link lies in, not the one of its target.
  const std::string folder = resolved_path(
      slash == std::string::npos ? "." : slash == 0 ? "/" : given.substr(0, slash));
  if (folder.empty()) return "";
  return (folder == "/" ? "" : folder) + "/" + last;
}

}  // namespace native
}  // namespace rt
