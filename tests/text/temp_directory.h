// A fresh directory on disk for one test, removed with everything in it when
// the test ends, plain byte access to the files in it, and the bytes a piece
// of code prints on the console.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace rt {

// Made in the system's folder for temporary files ($TMPDIR, or /tmp; under
// Windows the user's temporary folder), by the standard library, so the
// same tests run on every platform.
class TempDirectory {
 public:
  TempDirectory() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 pick(seed());
    for (int attempt = 0; attempt < kAttempts && path_.empty(); ++attempt) {
      const std::filesystem::path candidate =
          base / ("retime-test-" + std::to_string(pick() % kNameRange));
      std::error_code failed;
      if (std::filesystem::create_directory(candidate, failed)) path_ = candidate.string();
    }
    if (path_.empty()) throw std::runtime_error("cannot make a scratch directory");
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
  static constexpr int kAttempts = 100;
  static constexpr unsigned long long kNameRange = 1000000000ULL;
  std::string path_;
};

inline void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot create " + path);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The file's bytes; "<missing>" when it cannot be opened.
inline std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs action with file descriptor 1 redirected into a scratch file and
// returns every byte it printed.
template <typename Action>
std::string console_transcript(Action&& action) {
  TempDirectory dir;
  const std::string path = dir / "console";
  std::fflush(stdout);
  write_bytes(path, "");
  const int file = ::open(path.c_str(), O_WRONLY);
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
