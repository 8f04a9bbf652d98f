// Test support for the driver: scratch directories on the real disk, whole
// files written and read as bytes, and the console transcript taken from
// file descriptor 1 while a piece of the driver runs.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace rt::test_support {

// The line end print_line writes: "\n", which a terminal shows as CR LF.
inline const std::string eol = "\n";

class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "retime-driver-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void copy_into(const std::string& source, const std::string& target) {
  std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing);
}

// Runs action with file descriptor 1 redirected to a scratch file and returns
// every byte written there.
template <typename Action>
std::string console_transcript(Action&& action) {
  std::fflush(stdout);
  char name[] = "/tmp/retime-console-XXXXXX";
  const int capture = ::mkstemp(name);
  if (capture < 0) throw std::runtime_error("mkstemp failed");
  const int saved = ::dup(1);
  ::dup2(capture, 1);
  action();
  std::fflush(stdout);
  ::dup2(saved, 1);
  ::close(saved);
  ::close(capture);
  std::string transcript = read_bytes(name);
  ::unlink(name);
  return transcript;
}

// Lines joined with the console's line end, each ended by it.
inline std::string console_lines(std::initializer_list<std::string> lines) {
  std::string joined;
  for (const std::string& line : lines) joined += line + eol;
  return joined;
}

}  // namespace rt::test_support
