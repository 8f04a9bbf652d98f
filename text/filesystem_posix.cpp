// The file system and the process on POSIX (Linux: /proc is used for the
// program's own path and its argument 0).
#include "text/filesystem.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>

#include "text/native_path_posix.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace rt {
namespace {

// Renames without ever replacing new_path; -1 with errno set on failure.
// Called through syscall() so that a C library without the wrapper works.
int rename_no_replace(const char* old_path, const char* new_path) {
#ifdef SYS_renameat2
  return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, old_path,
                                    AT_FDCWD, new_path, RENAME_NOREPLACE));
#else
  (void)old_path;
  (void)new_path;
  errno = ENOSYS;
  return -1;
#endif
}

bool flag_unsupported(int error) {
  return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP ||
         error == ENOTSUP;
}

// The listing in progress. The directory stream stays open between calls.
struct Listing {
  DIR* dir = nullptr;
  std::string wildcard;
  std::uint32_t effective_mask = 0;
};

Listing listing;

void end_listing() {
  if (listing.dir != nullptr) ::closedir(listing.dir);
  listing.dir = nullptr;
}

std::uint32_t effective_mask_for(std::uint32_t mask) {
  std::uint32_t effective = mask | 0xFFFFFF00u;
  if ((mask & attribute_directory) == 0) effective |= attribute_archive;
  return effective;
}

// "*.*" and "*" mean every name, names without a dot and names beginning
// with a dot included; other patterns go to fnmatch, with "\" taken
// literally and leading dots matched like any character.
bool name_matches(const std::string& wildcard, const char* name) {
  if (wildcard == "*.*" || wildcard == "*") return true;
  return ::fnmatch(wildcard.c_str(), name, FNM_NOESCAPE) == 0;
}

// Attributes of a regular file in the terms the listing's masks use: hidden
// for a dot name, read-only when its owner may not write it, archive always.
std::uint32_t regular_file_attributes(const char* name, const struct stat& st) {
  std::uint32_t attributes = attribute_archive;
  if (name[0] == '.') attributes |= attribute_hidden;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= attribute_read_only;
  return attributes;
}

// The next admitted name of the listing, or "" after ending it.
std::string next_listed_name() {
  while (listing.dir != nullptr) {
    errno = 0;
    const struct dirent* entry = ::readdir(listing.dir);
    if (entry == nullptr) break;
    const char* name = entry->d_name;
    if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
    // The program composes paths with "\" and every "\" reaches the file
    // system as "/", so a name holding a backslash cannot be addressed: the
    // probe and the pairing would open another file, and an output name
    // made from it ("..\film.srt" gives "untertitel\..\film..src") would
    // lead out of the output folder. Such names cannot exist where "\" is
    // the separator, so they are left out like any entry that is no file.
    if (std::strchr(name, '\\') != nullptr) continue;
    // Known kinds that are never listed need no further look.
    if (entry->d_type != DT_REG && entry->d_type != DT_LNK &&
        entry->d_type != DT_UNKNOWN) {
      continue;
    }
    if (!name_matches(listing.wildcard, name)) continue;
    // stat only looks at the entry (following a link), it never opens it,
    // so pipes and devices cannot block the listing. A dangling link fails
    // here and is left out.
    struct stat st;
    if (::fstatat(::dirfd(listing.dir), name, &st, 0) != 0) continue;
    if (!S_ISREG(st.st_mode)) continue;
    std::uint32_t attributes = regular_file_attributes(name, st);
    if ((attributes & ~listing.effective_mask) != 0) continue;
    return name;
  }
  end_listing();
  return "";
}

std::string read_link(const char* link) {
  std::string target(256, '\0');
  for (;;) {
    ssize_t got = ::readlink(link, &target[0], target.size());
    if (got < 0) return "";
    if (static_cast<std::size_t>(got) < target.size()) {
      target.resize(static_cast<std::size_t>(got));
      return target;
    }
    target.resize(target.size() * 2);  // maybe cut off: try a larger buffer
  }
}

}  // namespace

bool file_exists(const std::string& path) {
  std::optional<std::string> native = native_path(path);
  if (!native) return false;
  int fd = open_regular_for_reading(*native);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

int remove_file(const std::string& path) {
  std::optional<std::string> native = native_path(path);
  if (!native) return 1;
  return ::unlink(native->c_str()) == 0 ? 0 : 1;
}

int rename_file(const std::string& old_path, const std::string& new_path) {
  std::optional<std::string> from = native_path(old_path);
  std::optional<std::string> to = native_path(new_path);
  if (!from || !to) return 1;
  if (rename_no_replace(from->c_str(), to->c_str()) == 0) return 0;
  if (!flag_unsupported(errno)) return 1;
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

int replace_file(const std::string& old_path, const std::string& new_path) {
  std::optional<std::string> from = native_path(old_path);
  std::optional<std::string> to = native_path(new_path);
  if (!from || !to) return 1;
  return ::rename(from->c_str(), to->c_str()) == 0 ? 0 : 1;
}

void make_directory(const std::string& path) {
  std::optional<std::string> native = native_path(path);
  if (native) ::mkdir(native->c_str(), 0777);
}

std::string list_directory(const std::string& pattern, std::uint32_t mask) {
  if (pattern.empty()) return next_listed_name();
  end_listing();
  std::optional<std::string> native = native_path(pattern);
  if (!native) return "";
  std::string directory;
  std::size_t last = native->rfind('/');
  if (last == std::string::npos) {
    directory = ".";
    listing.wildcard = *native;
  } else {
    directory = last == 0 ? "/" : native->substr(0, last);
    listing.wildcard = native->substr(last + 1);
  }
  if (listing.wildcard.empty()) return "";
  // O_DIRECTORY refuses anything but a directory before it is opened.
  int fd = ::open(directory.c_str(),
                  O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return "";
  listing.dir = ::fdopendir(fd);
  if (listing.dir == nullptr) {
    ::close(fd);
    return "";
  }
  listing.effective_mask = effective_mask_for(mask);
  return next_listed_name();
}

std::string executable_path() {
  // The first NUL-terminated field of the kernel's copy of the command line
  // is argument 0 exactly as passed to exec.
  int fd = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    std::string argument;
    char block[4096];
    bool complete = false;
    for (;;) {
      ssize_t got = ::read(fd, block, sizeof block);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) break;
      if (got == 0) {
        complete = true;  // no NUL at all: an empty command line
        break;
      }
      const void* nul = std::memchr(block, '\0', static_cast<std::size_t>(got));
      if (nul != nullptr) {
        argument.append(block, static_cast<std::size_t>(static_cast<const char*>(nul) - block));
        complete = true;
        break;
      }
      argument.append(block, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (complete) return argument;
  }
  // Without /proc: the C library keeps argv[0] for us.
  return program_invocation_name != nullptr ? program_invocation_name : "";
}

std::string program_directory() {
  std::string file = read_link("/proc/self/exe");
  // Without /proc: argument 0 names the file when it holds a directory.
  if (file.empty()) file = executable_path();
  return directory_of(file);
}

}  // namespace rt
