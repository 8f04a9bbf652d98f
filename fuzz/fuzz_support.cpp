#include "fuzz/fuzz_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace rt::fuzz {

namespace {

std::string made_directory;

void remove_scratch_directory() {
  if (made_directory.empty()) return;
  empty_directory(made_directory);
  ::rmdir(made_directory.c_str());
}

bool is_directory(const char* path) {
  struct stat st;
  return path != nullptr && *path != '\0' && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string input_text(const std::uint8_t* data, std::size_t size) {
  return size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
}

void fail(const char* property, const std::string& detail) {
  std::fprintf(stderr, "\nPROPERTY FAILED: %s\n", property);
  if (!detail.empty()) std::fprintf(stderr, "%s\n", detail.c_str());
  std::fflush(stderr);
  std::abort();
}

std::string shown(const std::string& bytes, std::size_t limit) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (std::size_t i = 0; i < bytes.size() && i < limit; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  out += bytes.size() > limit ? "\"..." : "\"";
  out += " (" + std::to_string(bytes.size()) + " bytes)";
  return out;
}

const std::string& scratch_directory() {
  if (made_directory.empty()) {
    // A RAM disk keeps the many small writes off the real disk.
    const char* tmpdir = std::getenv("TMPDIR");
    std::string base = is_directory(tmpdir) ? tmpdir : is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/retime-fuzz-XXXXXX";
    require(::mkdtemp(&pattern[0]) != nullptr, "scratch directory can be made", pattern);
    made_directory = pattern;
    std::atexit(remove_scratch_directory);
  }
  return made_directory;
}

void write_file(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  require(fd >= 0, "input file can be written", path);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    require(n > 0, "input file can be written", path);
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

std::string read_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  require(fd >= 0, "file can be read back", path);
  std::string bytes;
  char block[65536];
  ssize_t n;
  while ((n = ::read(fd, block, sizeof block)) > 0) bytes.append(block, static_cast<std::size_t>(n));
  ::close(fd);
  return bytes;
}

bool path_exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> directory_entries(const std::string& directory) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(directory.c_str());
  require(dir != nullptr, "scratch directory can be listed", directory);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

void empty_directory(const std::string& directory) {
  for (const std::string& name : directory_entries(directory)) {
    ::unlink((directory + "/" + name).c_str());
  }
}

std::string character_stream(const std::string& bytes) {
  const std::string kept = bytes.substr(0, bytes.find('\x1A'));
  std::string stream;
  stream.reserve(kept.size());
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (kept[i] == '\r' && i + 1 < kept.size() && kept[i + 1] == '\n') continue;  // the LF stands for both
    stream += kept[i];
  }
  return stream;
}

std::vector<StreamLine> stream_lines(const std::string& stream) {
  std::vector<StreamLine> lines;
  std::size_t pos = 0;
  while (pos < stream.size()) {
    const std::size_t lf = stream.find('\n', pos);
    StreamLine line;
    if (lf != std::string::npos) {
      line.text = stream.substr(pos, lf - pos);
      if (!line.text.empty() && line.text.back() == '\r') line.text.pop_back();
      line.next = lf + 1;
    } else {
      line.text = stream.substr(pos);
      while (!line.text.empty() && line.text.back() == '\0') line.text.pop_back();
      line.next = stream.size();
    }
    pos = line.next;
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<std::string> line_texts(const std::vector<StreamLine>& lines) {
  std::vector<std::string> texts;
  texts.reserve(lines.size());
  for (const StreamLine& line : lines) texts.push_back(line.text);
  return texts;
}

}  // namespace rt::fuzz
