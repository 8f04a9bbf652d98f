// The file work of one pair and nothing else, as a yardstick for what a
// whole run on that pair can cost at least:
//
//   pair_file_work DIRECTORY
//
// reads DIRECTORY/film.txt and DIRECTORY/film.srt whole into fresh memory,
// then writes as many bytes as DIRECTORY/untertitel/film..src holds (an
// earlier run of retime made it) through a new temporary file beside it, in
// the 8 KiB pieces retime writes, and renames the temporary over it. With
// "-" for DIRECTORY it does nothing, which gives the cost of starting this
// program. No computing, no checks against links: only the system's work
// on the pages and files that any program doing the pair must ask for.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr std::size_t kPiece = 8192;

// The whole file in fresh memory, or nothing on failure.
std::unique_ptr<char[]> read_whole(const std::string& path, std::size_t& size) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status {};
  if (fd < 0 || fstat(fd, &status) != 0) return nullptr;
  size = static_cast<std::size_t>(status.st_size);
  std::unique_ptr<char[]> bytes(new char[size + 1]);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = read(fd, bytes.get() + got, size - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  if (got != size) return nullptr;
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pair_file_work DIRECTORY|-\n");
    return 2;
  }
  const std::string directory = argv[1];
  if (directory == "-") return 0;
  std::size_t text_size = 0;
  std::size_t timecode_size = 0;
  const auto text = read_whole(directory + "/film.txt", text_size);
  const auto timecodes = read_whole(directory + "/film.srt", timecode_size);
  const std::string output = directory + "/untertitel/film..src";
  struct stat status {};
  if (!text || !timecodes || timecode_size < kPiece || stat(output.c_str(), &status) != 0) {
    std::fprintf(stderr, "pair_file_work: %s holds no film pair that retime has written\n", argv[1]);
    return 1;
  }
  const std::string temporary = output + ".work";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return 1;
  const std::size_t output_size = static_cast<std::size_t>(status.st_size);
  for (std::size_t done = 0; done < output_size;) {
    const std::size_t piece = std::min(kPiece, output_size - done);
    const char* from = timecodes.get() + done % (timecode_size - kPiece + 1);
    if (write(fd, from, piece) != static_cast<ssize_t>(piece)) return 1;
    done += piece;
  }
  if (fchmod(fd, 0644) != 0 || close(fd) != 0 || rename(temporary.c_str(), output.c_str()) != 0) return 1;
  return 0;
}
