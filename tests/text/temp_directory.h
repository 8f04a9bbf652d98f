// A fresh directory on disk for one test, removed with everything in it when
// the test ends, plain byte access to the files in it, and the bytes a piece
// of code prints on the console.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace rt {

class TempDirectory {
 public:
  TempDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base ? base : "/tmp") +
                          "/retime-test-XXXXXX";
    if (::mkdtemp(&pattern[0]) == nullptr) {
      throw std::runtime_error("mkdtemp failed");
    }
    path_ = pattern;
  }
  ~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const {
    return path_ + "/" + name;
  }

 private:
  std::string path_;
};

inline void write_bytes(const std::string& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + path);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

// The file's bytes; "<missing>" when it cannot be opened.
inline std::string read_bytes(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "<missing>";
  std::string bytes;
  char block[65536];
  ssize_t n;
  while ((n = ::read(fd, block, sizeof block)) > 0) {
    bytes.append(block, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}

// Runs action with file descriptor 1 redirected into a scratch file and
// returns every byte it printed.
template <typename Action>
std::string console_transcript(Action&& action) {
  TempDirectory dir;
  const std::string path = dir / "console";
  std::fflush(stdout);
  const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int saved = ::dup(1);
  if (file < 0 || saved < 0) throw std::runtime_error("cannot capture the console");
  ::dup2(file, 1);
  ::close(file);
  action();
  std::fflush(stdout);
  ::dup2(saved, 1);
  ::close(saved);
  return read_bytes(path);
}

}  // namespace rt
