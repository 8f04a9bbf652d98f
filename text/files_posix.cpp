// The native file layer on POSIX (text/native_files.h), files part: opens,
// reads, writes, sizes and closes, each one system call or a few, with the
// checks that keep them from blocking or writing through anything but a
// regular file; and the held temporary files of saves, held with flock(2)
// (released by the kernel when the holder dies, so a leftover is told from
// a live save's file without guessing).
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "text/native_files.h"
#include "text/paths.h"
#include "text/write_all_posix.h"

namespace rt {
namespace native {

namespace {

int fd_of(FileHandle file) { return static_cast<int>(file); }

bool is_regular(int fd) {
  struct stat st;
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

bool same_file(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A file-size limit must fail the write that crosses it, not end the
// process with a partial output: SIGXFSZ is ignored (unless someone chose
// another action for it), and the write then fails with EFBIG. Looked at
// for every file, as a child process may have been given the default back.
void fail_writes_beyond_size_limit() {
  struct sigaction current;
  if (::sigaction(SIGXFSZ, nullptr, &current) != 0) return;
  if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) return;
  ::signal(SIGXFSZ, SIG_IGN);
}

// The mode a file made now gets from the process's umask, which can only
// be read by setting it (and at once setting it back).
mode_t new_file_mode() {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return 0666 & ~mask;
}

// A leftover of a killed run: nobody holds its lock any more. Where the
// file system has no locks, only a file unchanged for a minute counts.
bool held_by_nobody(int fd, const struct stat& st) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  if (errno == EWOULDBLOCK || errno == EINTR) return false;
  constexpr time_t kQuietSeconds = 60;
  return ::time(nullptr) - st.st_mtime >= kQuietSeconds;
}

}  // namespace

FileHandle open_file_for_reading(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  if (!native) return kNoFileHandle;
  // First look without opening: opening a FIFO or a terminal device can
  // block or have side effects of its own.
  struct stat st;
  if (::stat(native->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return kNoFileHandle;
  // O_NONBLOCK covers the moment between stat and open, when the path may
  // have been swapped for a pipe; fstat then tells what was really opened.
  // It stays: files on disk ignore it, and the few pseudo-files that pass
  // for regular files but wait for data (/proc/kmsg) then read as ended.
  const int fd = ::open(native->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return kNoFileHandle;
  if (!is_regular(fd)) {
    ::close(fd);
    return kNoFileHandle;
  }
  return fd;
}

FileHandle create_held_file(const std::string& path, bool& name_taken) {
  name_taken = false;
  const std::optional<std::string> native = with_slashes(path);
  if (!native) return kNoFileHandle;
  fail_writes_beyond_size_limit();
  // O_EXCL with O_NOFOLLOW: never an existing file, never through a link;
  // 0600 while it is written, whatever the target's mode will make it.
  const int fd = ::open(native->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC,
                        0600);
  if (fd < 0) {
    name_taken = errno == EEXIST;
    return kNoFileHandle;
  }
  // Between the creation and the lock another run may have taken the new
  // file for a leftover: it then holds it or has removed it, and this run
  // tries again. A file system without locks refuses the lock with another
  // error; the file then goes unlocked (remove_if_abandoned waits for it to
  // be quiet instead).
  struct stat held;
  struct stat named;
  const bool lost = (::flock(fd, LOCK_EX | LOCK_NB) != 0 && (errno == EWOULDBLOCK || errno == EINTR)) ||
                    ::fstat(fd, &held) != 0 || ::lstat(native->c_str(), &named) != 0 ||
                    !same_file(held, named);
  if (lost) {
    ::close(fd);
    name_taken = true;
    return kNoFileHandle;
  }
  return fd;
}

bool remove_if_abandoned(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  if (!native) return false;
  struct stat named;
  if (::lstat(native->c_str(), &named) != 0 || !S_ISREG(named.st_mode) || named.st_uid != ::geteuid()) {
    return false;
  }
  const int fd = ::open(native->c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  bool removed = false;
  struct stat held;
  if (::fstat(fd, &held) == 0 && same_file(held, named) && held_by_nobody(fd, held)) {
    // While this process holds the file, no run removes or renames it; the
    // name is checked once more for one that was replaced before the lock.
    struct stat again;
    removed = ::lstat(native->c_str(), &again) == 0 && same_file(again, held) &&
              ::unlink(native->c_str()) == 0;
  }
  ::close(fd);
  return removed;
}

TargetKind target_kind(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  if (!native) return TargetKind::other;
  struct stat st;
  if (::lstat(native->c_str(), &st) != 0) return errno == ENOENT ? TargetKind::missing : TargetKind::other;
  return S_ISREG(st.st_mode) ? TargetKind::file : TargetKind::other;
}

bool file_accepts_writes(const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  if (!native) return false;
  struct stat st;
  if (::lstat(native->c_str(), &st) != 0 || !S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0) {
    return false;
  }
  // O_NONBLOCK: a pipe swapped in after lstat must not hang the open.
  const int fd = ::open(native->c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool regular = is_regular(fd);
  ::close(fd);
  return regular;
}

bool take_attributes(FileHandle file, const std::string& from_path) {
  const std::optional<std::string> native = with_slashes(from_path);
  if (!native) return false;
  struct stat own;
  if (::fstat(fd_of(file), &own) != 0) return false;
  mode_t mode = 0;
  struct stat old;
  if (::lstat(native->c_str(), &old) == 0) {
    if (!S_ISREG(old.st_mode)) return false;
    // Root gives a user's file back to the user; anyone may keep a group
    // they belong to. Failures leave this process's own owner and group.
    const bool root = ::geteuid() == 0;
    if (root && (own.st_uid != old.st_uid || own.st_gid != old.st_gid)) {
      (void)::fchown(fd_of(file), old.st_uid, old.st_gid);
    } else if (!root && own.st_gid != old.st_gid) {
      (void)::fchown(fd_of(file), static_cast<uid_t>(-1), old.st_gid);
    }
    mode = old.st_mode & 07777;
  } else if (errno == ENOENT) {
    mode = new_file_mode();
  } else {
    return false;
  }
  // Set after the owner, which clears the set-user-ID bits. A file system
  // that cannot represent the mode (FAT) keeps its own: the file is then
  // narrower than wished, never wider.
  if ((own.st_mode & 07777) != mode) (void)::fchmod(fd_of(file), mode);
  return true;
}

bool written_out(FileHandle file) {
  const int copy = ::dup(fd_of(file));
  if (copy < 0) return false;
  // Linux closes the descriptor even when close reports EINTR.
  return ::close(copy) == 0 || errno == EINTR;
}

void discard_held_file(FileHandle file, const std::string& path) {
  const std::optional<std::string> native = with_slashes(path);
  struct stat held;
  struct stat named;
  if (native && ::fstat(fd_of(file), &held) == 0 && ::lstat(native->c_str(), &named) == 0 &&
      same_file(held, named)) {
    ::unlink(native->c_str());
  }
  ::close(fd_of(file));
}

std::int64_t read_file(FileHandle file, char* into, std::size_t count) {
  for (;;) {
    const ssize_t got = ::read(fd_of(file), into, count);
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

bool write_file(FileHandle file, const char* bytes, std::size_t count) {
  return posix::write_all(fd_of(file), bytes, count);
}

bool seek_file_start(FileHandle file) { return ::lseek(fd_of(file), 0, SEEK_SET) == 0; }

std::int64_t file_size(FileHandle file) {
  struct stat st;
  return ::fstat(fd_of(file), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

bool sync_file(FileHandle file) { return ::fsync(fd_of(file)) == 0; }

bool empty_file(FileHandle file) {
  return ::ftruncate(fd_of(file), 0) == 0 && ::lseek(fd_of(file), 0, SEEK_SET) == 0;
}

bool close_file_handle(FileHandle file) { return ::close(fd_of(file)) == 0; }

}  // namespace native
}  // namespace rt
