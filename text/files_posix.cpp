// Numbered files on POSIX: a table of 255 slots, each holding a descriptor
// and one 8192-byte buffer. An input slot keeps its buffer filled with
// characters of the stream (CR LF already turned into LF, cut at the first
// 0x1A); an output slot collects bytes until the buffer is full or the file
// is closed.
#include "text/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "text/console_print.h"
#include "text/native_path_posix.h"

namespace rt {
namespace {

constexpr int lowest_number = 1;
constexpr int highest_number = 255;
constexpr std::size_t buffer_size = 8192;
constexpr char end_of_file_byte = 0x1A;  // Ctrl-Z ends a text file for good

struct OpenFile {
  int fd = -1;
  bool output = false;
  // Input: the characters chars[pos, len) are still to be delivered.
  // Output: chars[0, len) are written but not yet on disk.
  // One byte more than a block, for a CR carried over from the block before.
  char chars[buffer_size + 1];
  std::size_t pos = 0;
  std::size_t len = 0;
  // The last byte read was a CR; whether an LF follows is known only after
  // the next read, so the CR waits at the front of the next block.
  bool carried_cr = false;
  // No more bytes will be read: end of file, a read error, or 0x1A met.
  bool stream_over = false;
};

// Plain pointers, so the table needs no construction or destruction and is
// usable from the exit handler whatever the order of static destructors.
OpenFile* table[highest_number + 1];

OpenFile* file_at(int n) {
  if (n < lowest_number || n > highest_number) return nullptr;
  return table[n];
}

OpenFile* input_at(int n) {
  OpenFile* f = file_at(n);
  return f != nullptr && !f->output ? f : nullptr;
}

OpenFile* output_at(int n) {
  OpenFile* f = file_at(n);
  return f != nullptr && f->output ? f : nullptr;
}

bool number_usable(int n) {
  return n >= lowest_number && n <= highest_number && table[n] == nullptr;
}

// The interface reports nothing about writing, so a failing write drops its
// bytes instead of retrying forever.
void write_all(int fd, const char* bytes, std::size_t count) {
  while (count > 0) {
    ssize_t done = ::write(fd, bytes, count);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return;
    bytes += done;
    count -= static_cast<std::size_t>(done);
  }
}

void flush(OpenFile& f) {
  write_all(f.fd, f.chars, f.len);
  f.len = 0;
}

void put_bytes(OpenFile& f, const char* bytes, std::size_t count) {
  if (f.len + count > buffer_size) flush(f);
  if (count >= buffer_size) {
    write_all(f.fd, bytes, count);
    return;
  }
  std::memcpy(f.chars + f.len, bytes, count);
  f.len += count;
}

ssize_t read_some(int fd, char* into, std::size_t count) {
  for (;;) {
    ssize_t got = ::read(fd, into, count);
    if (got >= 0 || errno != EINTR) return got;
  }
}

// Refills the character buffer of an input file whose characters are all
// delivered. False when the stream has no character left.
bool refill(OpenFile& f) {
  f.pos = 0;
  f.len = 0;
  while (!f.stream_over) {
    std::size_t start = 0;
    if (f.carried_cr) {
      f.chars[0] = '\r';
      start = 1;
      f.carried_cr = false;
    }
    ssize_t got = read_some(f.fd, f.chars + start, buffer_size);
    if (got <= 0) {
      // A CR that was the file's last byte is an ordinary character.
      f.stream_over = true;
      f.len = start;
      return f.len > 0;
    }
    std::size_t end = start + static_cast<std::size_t>(got);
    if (const void* stop = std::memchr(f.chars + start, end_of_file_byte,
                                       static_cast<std::size_t>(got))) {
      end = static_cast<std::size_t>(static_cast<const char*>(stop) - f.chars);
      f.stream_over = true;
    }
    // Translate in place, moving the runs between CRs as wholes; the output
    // never runs ahead of the input.
    std::size_t out = 0;
    std::size_t in = 0;
    while (in < end) {
      const void* cr = std::memchr(f.chars + in, '\r', end - in);
      std::size_t run_end =
          cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - f.chars) : end;
      if (out != in) std::memmove(f.chars + out, f.chars + in, run_end - in);
      out += run_end - in;
      in = run_end;
      if (in == end) break;
      ++in;  // past the CR
      if (in < end) {
        if (f.chars[in] != '\n') f.chars[out++] = '\r';  // the LF stands for a pair
      } else if (!f.stream_over) {
        f.carried_cr = true;  // the block ends with it: the next read decides
      } else {
        f.chars[out++] = '\r';  // right before 0x1A: an ordinary character
      }
    }
    f.len = out;
    if (f.len > 0) return true;
  }
  return false;
}

bool has_character(OpenFile& f) { return f.pos < f.len || refill(f); }

// Flushes and closes every open file when the process ends normally.
void close_at_exit() { close_all(); }

void remember(int n, OpenFile* f) {
  static bool exit_handler_registered = false;
  if (!exit_handler_registered) {
    exit_handler_registered = std::atexit(close_at_exit) == 0;
  }
  table[n] = f;
}

std::string with_backslashes(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Opens the file for output without ever blocking and without writing into
// anything but a regular file. A symbolic link as the last component is
// refused (O_NOFOLLOW): the program writes only files it names itself, and a
// link planted in a working folder must not redirect its output elsewhere.
int open_regular_for_writing(const std::string& native) {
  struct stat st;
  if (::lstat(native.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return -1;
  // Not O_TRUNC: nothing is emptied before it is known to be a regular file.
  // O_NONBLOCK keeps a pipe swapped in after lstat from hanging the open.
  int fd = ::open(native.c_str(),
                  O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                  0666);
  if (fd < 0) return -1;
  int flags = -1;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::ftruncate(fd, 0) != 0 || (flags = ::fcntl(fd, F_GETFL)) < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

int free_file_number() {
  for (int n = lowest_number; n <= highest_number; ++n) {
    if (table[n] == nullptr) return n;
  }
  return 0;
}

namespace {

// Both opens: the number must be free, the path is taken with "\" as its
// separator, and the slot is filled only when the file is open.
int open_numbered(const std::string& path, int n, bool output) {
  if (!number_usable(n)) return 1;
  std::optional<std::string> native = native_path(with_backslashes(path));
  if (!native) return 2;
  int fd = output ? open_regular_for_writing(*native) : open_regular_for_reading(*native);
  if (fd < 0) return 2;
  // Without memory for the slot the open fails like any other.
  OpenFile* f = new (std::nothrow) OpenFile;
  if (f == nullptr) {
    ::close(fd);
    return 2;
  }
  f->fd = fd;
  f->output = output;
  remember(n, f);
  return 0;
}

}  // namespace

int open_input(const std::string& path, int n) { return open_numbered(path, n, false); }

int open_output(const std::string& path, int n) { return open_numbered(path, n, true); }

void close_file(int n) {
  OpenFile* f = file_at(n);
  if (f == nullptr) return;
  if (f->output) flush(*f);
  ::close(f->fd);  // nothing to report and nothing to retry after a failure
  delete f;
  table[n] = nullptr;
}

void close_all() {
  for (int n = lowest_number; n <= highest_number; ++n) close_file(n);
}

// An output file has no stream to read: it reads as a file at its end.
void read_line(int n, std::string& line) {
  OpenFile* f = file_at(n);
  if (f == nullptr) return;
  if (f->output || !has_character(*f)) {
    line.clear();
    return;
  }
  std::string taken;
  bool ended_by_lf = false;
  while (has_character(*f)) {
    const char* start = f->chars + f->pos;
    std::size_t available = f->len - f->pos;
    const void* lf = std::memchr(start, '\n', available);
    if (lf != nullptr) {
      std::size_t count = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
      taken.append(start, count);
      f->pos += count + 1;
      ended_by_lf = true;
      break;
    }
    taken.append(start, available);
    f->pos = f->len;
  }
  if (ended_by_lf) {
    if (!taken.empty() && taken.back() == '\r') taken.pop_back();
  } else {
    while (!taken.empty() && taken.back() == '\0') taken.pop_back();
  }
  line = std::move(taken);
}

void read_short_line(int n, std::string& line, std::size_t max_length) {
  OpenFile* f = file_at(n);
  if (f == nullptr) return;
  if (f->output || !has_character(*f)) {
    line.clear();
    return;
  }
  // A longer line is told by its first max_length + 1 characters.
  const std::size_t keep = max_length < SIZE_MAX ? max_length + 1 : max_length;
  std::string kept;
  std::uint64_t length = 0;              // characters before the LF
  std::uint64_t up_to_last_non_nul = 0;  // the length without trailing NULs
  char last = '\0';
  bool ended_by_lf = false;
  while (has_character(*f)) {
    const char* start = f->chars + f->pos;
    const std::size_t available = f->len - f->pos;
    const void* lf = std::memchr(start, '\n', available);
    const std::size_t count =
        lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - start) : available;
    if (kept.size() < keep) kept.append(start, std::min(count, keep - kept.size()));
    for (std::size_t i = count; i > 0; --i) {
      if (start[i - 1] != '\0') {
        up_to_last_non_nul = length + i;
        break;
      }
    }
    if (count > 0) last = start[count - 1];
    length += count;
    f->pos += count;
    if (lf != nullptr) {
      ++f->pos;
      ended_by_lf = true;
      break;
    }
  }
  // The same cuts as read_line, worked out on the lengths.
  std::uint64_t result = ended_by_lf ? length - (length > 0 && last == '\r' ? 1 : 0)
                                     : up_to_last_non_nul;
  // Longer than max_length: then kept holds exactly keep characters.
  if (result > max_length) result = kept.size();
  kept.resize(static_cast<std::size_t>(result));
  line = std::move(kept);
}

bool at_end(int n) {
  OpenFile* f = input_at(n);
  return f == nullptr || !has_character(*f);
}

// Only input files have a reading position; an output file is left alone.
void rewind(int n) {
  OpenFile* f = input_at(n);
  if (f == nullptr) return;
  ::lseek(f->fd, 0, SEEK_SET);
  f->pos = 0;
  f->len = 0;
  f->carried_cr = false;
  f->stream_over = false;
}

std::int64_t file_length(int n) {
  OpenFile* f = file_at(n);
  if (f == nullptr) return 0;
  // Bytes written so far count as stored.
  if (f->output) flush(*f);
  struct stat st;
  if (::fstat(f->fd, &st) != 0) return 0;
  return static_cast<std::int64_t>(st.st_size);
}

std::string read_chars(int n, std::int64_t count) {
  OpenFile* f = input_at(n);
  if (f == nullptr || count <= 0) return "";
  std::string result;
  // The stream is never longer than the file, so read_all gets its whole
  // text in one allocation; a larger count just grows the text.
  if (count > static_cast<std::int64_t>(buffer_size)) {
    result.reserve(static_cast<std::size_t>(std::min(count, file_length(n))));
  }
  std::size_t wanted = static_cast<std::size_t>(count);
  while (result.size() < wanted && has_character(*f)) {
    std::size_t take = std::min(wanted - result.size(), f->len - f->pos);
    result.append(f->chars + f->pos, take);
    f->pos += take;
  }
  return result;
}

std::string read_all(int n) { return read_chars(n, file_length(n)); }

void write_line(int n, const std::string& t) {
  if (n == 0) {
    print_line(t);
    return;
  }
  OpenFile* f = output_at(n);
  if (f == nullptr) return;
  put_bytes(*f, t.data(), t.size());
  put_bytes(*f, "\r\n", 2);
}

}  // namespace rt
