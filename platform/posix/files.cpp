// Files on POSIX. The temporary files of saves are held with flock(2),
// which the kernel lets go when the holder dies: a leftover is told from a
// live save's file without guessing. A save works in its folder opened
// once per step (platform/posix/links.h), so that the folder cannot be swapped
// for a link to another between a look and what it decides.
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <optional>

#include "platform/posix/error_numbers.h"
#include "platform/posix/links.h"
#include "platform/files.h"
#include "platform/shared/path_forms.h"

namespace rt {
namespace native {
namespace {

// The longest name of one entry, in bytes (Linux file systems).
constexpr std::size_t kLongestName = NAME_MAX;
// A UTF-8 character has at most three bytes after its first.
constexpr int kLongestUtf8Continuation = 3;

bool is_utf8_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

int fd_of(FileHandle file) { return static_cast<int>(file); }

// A folder opened by open_folder_of (platform/posix/links.h), closed when the
// work in it is done; -1 when it could not be opened.
class Folder {
 public:
  explicit Folder(const std::string& path) {
    const std::optional<std::string> native = posix_path(path);
    if (native) {
      fd_ = open_folder_of(*native, name_, error_);
    } else {
      error_ = refusal(FileErrorKind::unnamable);
    }
  }
  ~Folder() {
    if (fd_ >= 0) ::close(fd_);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  bool opened() const { return fd_ >= 0; }
  // Why it could not be opened.
  const FileError& error() const { return error_; }
  int fd() const { return fd_; }
  // The last component of the path, the entry's name in the folder.
  const std::string& name() const { return name_; }
  const char* entry() const { return name_.c_str(); }

 private:
  int fd_ = -1;
  std::string name_;
  FileError error_;
};

// Whether name in folder (AT_FDCWD: a path) still leads to the open file,
// the name itself not followed.
bool named_by(int fd, int folder, const char* name) {
  struct stat held;
  struct stat named;
  return ::fstat(fd, &held) == 0 && ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

// The mode a file made now gets: the umask can only be read by setting it.
mode_t new_file_mode() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

// Where the file system has no locks, a file unchanged for a minute.
bool held_by_nobody(int fd, const struct stat& st) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  if (errno == EWOULDBLOCK || errno == EINTR) return false;
  constexpr time_t kQuietSeconds = 60;
  return ::time(nullptr) - st.st_mtime >= kQuietSeconds;
}

// What a look at an entry found where a regular file is meant.
FileError not_regular(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return refusal(FileErrorKind::is_folder);
  return refusal(S_ISLNK(st.st_mode) ? FileErrorKind::is_link : FileErrorKind::not_a_file);
}

// Opens the regular file name in folder (AT_FDCWD: a path), never through
// a link (one that may be written, for writing), after a look that opens
// nothing: opening a FIFO or a terminal can block. O_NONBLOCK covers a
// pipe swapped in after the look (fstat then tells); it stays, files on
// disk ignore it, and the pseudo-files that wait for data (/proc/kmsg) read
// as ended. -1 otherwise, with error saying why.
int open_regular(int folder, const char* name, int flags, FileError& error) {
  struct stat st;
  if (::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    error = last_file_error();
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    error = not_regular(st);
    return -1;
  }
  if ((flags & O_ACCMODE) != O_RDONLY && (st.st_mode & 0222) == 0) {
    error = refusal(FileErrorKind::write_protected);
    return -1;
  }
  const int fd = ::openat(folder, name, flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = last_file_error();
    return -1;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = refusal(FileErrorKind::not_a_file);
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

// A link is followed as the rule of platform/posix/links.h lets it be.
FileHandle open_file_for_reading(const std::string& path) {
  const std::optional<std::string> native = posix_path(path);
  if (!native) return kNoFileHandle;
  const FollowedPath file = followed_path(*native);
  FileError unused;
  const int fd = file ? open_regular(AT_FDCWD, file.path.c_str(), O_RDONLY, unused) : -1;
  return fd < 0 ? kNoFileHandle : fd;
}

// Made in the folder as opened once, so that a link put in the folder's
// place meanwhile cannot send the file elsewhere.
HeldFile create_held_file(const std::string& path) {
  FileError error;
  const Folder folder(path);
  if (!folder.opened()) {
    error = folder.error();
    return {kNoFileHandle, error};
  }
  // A file-size limit must fail the write (EFBIG), not end the process
  // with a partial output; set for every file, as a child may have been
  // given the default back.
  ::signal(SIGXFSZ, SIG_IGN);
  const int fd = ::openat(folder.fd(), folder.entry(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = last_file_error();
    return {kNoFileHandle, error};
  }
  // Another run may have taken the new file for a leftover before the
  // lock. A file system without locks refuses with another error.
  const bool lost = (::flock(fd, LOCK_EX | LOCK_NB) != 0 && (errno == EWOULDBLOCK || errno == EINTR)) ||
                    !named_by(fd, folder.fd(), folder.entry());
  if (lost) {
    ::close(fd);
    error = file_error_of(EWOULDBLOCK);
    return {kNoFileHandle, error};
  }
  return {fd, {}};
}

namespace {

void remove_if_abandoned(int folder, const char* name) {
  FileError unused;
  const int fd = open_regular(folder, name, O_RDONLY, unused);
  if (fd < 0) return;
  // Held, the file is removed or renamed by no other run; the name is
  // checked again for one replaced before the lock.
  struct stat held;
  if (::fstat(fd, &held) == 0 && held.st_uid == ::geteuid() && held_by_nobody(fd, held) &&
      named_by(fd, folder, name)) {
    ::unlinkat(folder, name, 0);
  }
  ::close(fd);
}

}  // namespace

// The folder is opened (and its path judged) once for all the names.
void remove_abandoned(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  const Folder folder(paths.front());
  if (!folder.opened()) return;
  const std::size_t name_at = paths.front().size() - folder.name().size();
  for (const std::string& path : paths) {
    if (path.size() > name_at && path.compare(0, name_at, paths.front(), 0, name_at) == 0 &&
        path.find('/', name_at) == std::string::npos) {
      remove_if_abandoned(folder.fd(), path.c_str() + name_at);
    } else {
      const Folder own(path);  // in another folder after all
      if (own.opened()) remove_if_abandoned(own.fd(), own.entry());
    }
  }
}

FileError write_refusal(const std::string& path) {
  const Folder folder(path);
  if (!folder.opened()) return folder.error();
  FileError error;
  const int fd = open_regular(folder.fd(), folder.entry(), O_WRONLY, error);
  if (fd >= 0) ::close(fd);
  return error;
}

FileError take_attributes(FileHandle file, const std::string& from_path) {
  const Folder folder(from_path);
  if (!folder.opened()) return folder.error();
  struct stat own;
  if (::fstat(fd_of(file), &own) != 0) return last_file_error();
  mode_t mode = 0;
  struct stat old;
  if (::fstatat(folder.fd(), folder.entry(), &old, AT_SYMLINK_NOFOLLOW) == 0) {
    if (!S_ISREG(old.st_mode)) return not_regular(old);
    // Root gives a user's file back to the user; anyone may keep a group
    // they belong to.
    const bool root = ::geteuid() == 0;
    if (own.st_gid != old.st_gid || (root && own.st_uid != old.st_uid))
      (void)::fchown(fd_of(file), root ? old.st_uid : static_cast<uid_t>(-1), old.st_gid);
    // The permission bits only: a set-user-ID or set-group-ID bit would
    // make the new file run with the rights of its owner (root, after a
    // root run), and the sticky bit means nothing on a file.
    mode = old.st_mode & 0777;
  } else if (errno == ENOENT) {
    mode = new_file_mode();
  } else {
    return last_file_error();
  }
  // After the owner, which would clear such bits anyway. FAT keeps its own.
  if ((own.st_mode & 07777) != mode) (void)::fchmod(fd_of(file), mode);
  return {};
}

FileError written_out(FileHandle file) {
  const int copy = ::dup(fd_of(file));
  if (copy < 0) return last_file_error();
  // Linux closes the descriptor even when close reports EINTR.
  return ::close(copy) == 0 || errno == EINTR ? FileError{} : last_file_error();
}

// Looked at and renamed in one folder, opened once: a folder swapped for
// another meanwhile cannot have the rename take another file there.
FileError place_held_file(FileHandle file, const std::string& temporary, const std::string& target,
                          bool replace) {
  const Folder from(temporary);
  const Folder to(target);
  if (!from.opened()) return from.error();
  if (!to.opened()) return to.error();
  if (!named_by(fd_of(file), from.fd(), from.entry())) return refusal(FileErrorKind::moved_away);
  return rename_entry(from.fd(), from.name(), to.fd(), to.name(), replace);
}

void discard_held_file(FileHandle file, const std::string& path) {
  const Folder folder(path);
  if (folder.opened() && named_by(fd_of(file), folder.fd(), folder.entry())) {
    ::unlinkat(folder.fd(), folder.entry(), 0);
  }
  ::close(fd_of(file));
}

std::string name_cut_to_fit(const std::string& path, std::size_t added) {
  const std::optional<std::string> native = posix_path(path);
  if (!native) return path;
  // The last component is as long in path as in its system's form.
  const std::size_t name_length = native->size() - (native->rfind('/') + 1);  // npos + 1: the whole
  if (name_length + added <= kLongestName || added >= kLongestName) return path;
  const std::size_t name_start = path.size() - name_length;
  std::size_t kept = kLongestName - added;
  // A UTF-8 character is not split: its continuation bytes go with it.
  for (int i = 0; i < kLongestUtf8Continuation && kept > 0 && is_utf8_continuation(path[name_start + kept]); ++i) {
    --kept;
  }
  return path.substr(0, name_start + kept);
}

std::int64_t read_file(FileHandle file, char* into, std::size_t count) {
  for (;;) {
    const ssize_t got = ::read(fd_of(file), into, count);
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

FileError write_file(FileHandle file, const char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t done = ::write(fd_of(file), bytes, count);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      struct pollfd ready = {fd_of(file), POLLOUT, 0};
      if (::poll(&ready, 1, -1) < 0 && errno != EINTR) return last_file_error();
      continue;
    }
    if (done < 0) return last_file_error();
    // Nothing written and no error: taken for a failure of the device.
    if (done == 0) return file_error_of(EIO);
    bytes += done;
    count -= static_cast<std::size_t>(done);
  }
  return {};
}

void make_present(char* bytes, std::size_t count) {
#if defined(MADV_POPULATE_WRITE)
  const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(bytes) + page - 1) & ~(page - 1);
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(bytes) + count) & ~(page - 1);
  // Fails harmlessly on kernels before 5.14.
  if (end > start) ::madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE);
#else
  (void)bytes;
  (void)count;
#endif
}

bool seek_file_start(FileHandle file) { return ::lseek(fd_of(file), 0, SEEK_SET) == 0; }

std::int64_t file_size(FileHandle file) {
  struct stat st;
  return ::fstat(fd_of(file), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

FileError sync_file(FileHandle file) { return ::fsync(fd_of(file)) == 0 ? FileError{} : last_file_error(); }

FileError empty_file(FileHandle file) {
  return ::ftruncate(fd_of(file), 0) == 0 && ::lseek(fd_of(file), 0, SEEK_SET) == 0 ? FileError{}
                                                                                     : last_file_error();
}

bool close_file_handle(FileHandle file) { return ::close(fd_of(file)) == 0; }

}  // namespace native
}  // namespace rt
